#include "DialogRecorder.h"

// With nothing installed dialogs() is the headless provider; putting that
// back behaves the same as installing none.
DialogRecorder::DialogRecorder()
    : m_previous(platform::dialogs())
{
    platform::setDialogProvider(this);
}

DialogRecorder::~DialogRecorder()
{
    if (platform::dialogs() == this)
        platform::setDialogProvider(m_previous);
}

platform::MsgButton DialogRecorder::message(const platform::MessageRequest& request)
{
    m_messages.append(request);
    const platform::MsgButton answer =
        m_answers.isEmpty() ? request.defaultButton : m_answers.takeFirst();
    m_given.append(answer);
    return answer;
}

bool DialogRecorder::printDialog(QPrinter& printer)
{
    ++m_printCount;
    return m_onPrint ? m_onPrint(printer) : m_printAccepted;
}

void DialogRecorder::answerNext(platform::MsgButton answer)
{
    m_answers.append(answer);
}

platform::MessageRequest DialogRecorder::last() const
{
    return m_messages.isEmpty() ? platform::MessageRequest{} : m_messages.constLast();
}

void DialogRecorder::clear()
{
    m_messages.clear();
    m_given.clear();
    m_printCount = 0;
}
