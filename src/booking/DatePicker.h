#pragma once

#include <QDateEdit>

namespace booking {

// A date-only picker: the arrow keys move between day, month and year; Tab
// leaves the field for the next one, as in every other field of a form.
class DatePicker : public QDateEdit {
    Q_OBJECT
public:
    using QDateEdit::QDateEdit;

protected:
    bool focusNextPrevChild(bool next) override;
};

} // namespace booking
