#pragma once

#include <QString>

namespace platform {

// The running executable's folder with a trailing separator; the working
// directory plays no part. Tests may point it elsewhere (empty unpins).
QString executableFolder();
void setExecutableFolderForTests(const QString& folder);

// The executable's file name without folder and without everything from its
// first full stop on, every letter after the first in lower case.
QString programTitle();

} // namespace platform
