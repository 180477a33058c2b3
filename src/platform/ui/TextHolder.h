#pragma once

#include <QStringList>

class QPlainTextEdit;
class QWidget;

// The hidden multi-line holders the windows compose their statements in.
namespace platform {

QPlainTextEdit* makeTextHolder(QWidget* parent, const char* objectName);
// The lines exactly as they were added: a line break inside a value stays
// what it was instead of splitting the line (the holder shows it as a new line).
QStringList holderLines(const QPlainTextEdit* holder);
// Empties the holder, then adds the lines.
void setHolderLines(QPlainTextEdit* holder, const QStringList& lines);

} // namespace platform
