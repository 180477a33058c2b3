#pragma once

#include <QStringList>

class QPlainTextEdit;
class QWidget;

// The hidden multi-line holders the windows compose their statements in.
namespace platform {

QPlainTextEdit* makeTextHolder(QWidget* parent, const char* objectName);
// The lines as they were added, one per paragraph.
QStringList holderLines(const QPlainTextEdit* holder);
// Empties the holder, then adds the lines.
void setHolderLines(QPlainTextEdit* holder, const QStringList& lines);

} // namespace platform
