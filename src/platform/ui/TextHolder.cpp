#include "platform/ui/TextHolder.h"

#include <QPlainTextEdit>

namespace platform {

QPlainTextEdit* makeTextHolder(QWidget* parent, const char* objectName)
{
    auto* holder = new QPlainTextEdit(parent);
    holder->setObjectName(QLatin1String(objectName));
    holder->setFocusPolicy(Qt::NoFocus);
    holder->hide();
    return holder;
}

namespace {
// The document would cut a value at CR, LF, U+2028 or U+2029 and give the
// pieces back as lines of their own, so the lines are kept beside it.
constexpr char kLines[] = "holderLines";
} // namespace

QStringList holderLines(const QPlainTextEdit* holder)
{
    return holder->property(kLines).toStringList();
}

void setHolderLines(QPlainTextEdit* holder, const QStringList& lines)
{
    holder->setProperty(kLines, lines);
    holder->setPlainText(lines.join(QLatin1Char('\n')));
}

} // namespace platform
