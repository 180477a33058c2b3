#pragma once

#include <QString>
#include <QStringList>
#include <optional>

namespace app {

// The options a hotel's administrator may give by hand: "--version" and
// "--help" (also "-h"). The text to print for them, or nothing when the
// arguments ask for the board. Needs a QCoreApplication (the executable's
// folder names the conf.ini that is read).
std::optional<QString> infoOptionText(const QStringList& arguments);

// For main, before the window system is touched: prints the text of an
// information option to standard output and gives the exit status, or
// nothing when the program should start as usual.
std::optional<int> runInfoOption(int argc, char* argv[]);

} // namespace app
