#include "booking/DatePicker.h"

namespace booking {

bool DatePicker::focusNextPrevChild(bool next)
{
    // QDateTimeEdit would step through its sections first.
    return QWidget::focusNextPrevChild(next);
}

} // namespace booking
