#include "platform/ui/TextHolder.h"

#include <QPlainTextEdit>
#include <QTextBlock>

namespace platform {

QPlainTextEdit* makeTextHolder(QWidget* parent, const char* objectName)
{
    auto* holder = new QPlainTextEdit(parent);
    holder->setObjectName(QLatin1String(objectName));
    holder->setFocusPolicy(Qt::NoFocus);
    holder->hide();
    return holder;
}

QStringList holderLines(const QPlainTextEdit* holder)
{
    QStringList lines;
    for (QTextBlock block = holder->document()->begin(); block.isValid(); block = block.next())
        lines << block.text();
    return lines;
}

void setHolderLines(QPlainTextEdit* holder, const QStringList& lines)
{
    holder->clear();
    for (const QString& line : lines)
        holder->appendPlainText(line);
}

} // namespace platform
