#pragma once

#include "platform/Dialogs.h"

#include <QList>
#include <functional>

// Stands in for the program's dialogs for as long as it lives: every message
// box is recorded and answered from a queue (or by its default button), and
// the print dialog is answered by a flag or a callback.
class DialogRecorder final : public platform::DialogProvider {
public:
    DialogRecorder();
    ~DialogRecorder() override;
    DialogRecorder(const DialogRecorder&) = delete;
    DialogRecorder& operator=(const DialogRecorder&) = delete;

    platform::MsgButton message(const platform::MessageRequest& request) override;
    bool printDialog(QPrinter& printer) override;

    // Answers for the next boxes, in order; once used up, boxes get their default.
    void answerNext(platform::MsgButton answer);
    int pendingAnswers() const { return int(m_answers.size()); }

    const QList<platform::MessageRequest>& messages() const { return m_messages; }
    // The answers given, one per recorded message.
    const QList<platform::MsgButton>& answers() const { return m_given; }
    // The most recent box; a default-constructed request when there was none.
    platform::MessageRequest last() const;
    int count() const { return int(m_messages.size()); }
    // Forgets what was recorded; queued answers stay.
    void clear();

    // The print dialog's answer when no callback is set (cancelled by default).
    void setPrintAccepted(bool accepted) { m_printAccepted = accepted; }
    // Replaces the flag: the callback may set up the printer (say, PDF output)
    // and returns whether the dialog is accepted.
    void onPrintDialog(std::function<bool(QPrinter&)> callback) { m_onPrint = std::move(callback); }
    int printDialogCount() const { return m_printCount; }

private:
    platform::DialogProvider* m_previous;
    QList<platform::MessageRequest> m_messages;
    QList<platform::MsgButton> m_given;
    QList<platform::MsgButton> m_answers;
    bool m_printAccepted = false;
    std::function<bool(QPrinter&)> m_onPrint;
    int m_printCount = 0;
};
