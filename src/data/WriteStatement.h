#pragma once

#include <QStringList>
#include <functional>
#include <initializer_list>

namespace data {

class Dataset;

// Runs in tr1 once it has begun, before the statement: may replace the
// statement; false sends nothing (tr1 is rolled back, no box).
using WriteCheck = std::function<bool(QStringList& statement)>;

// Runs one write statement on IBQuery2 in tr1 and commits; on a failure of
// the program's error type it rolls back, shows the error box "Ошибка" and
// returns normally, so the caller's closing steps follow either way.
// False only when the check sent nothing.
bool RunWriteStatement(const QStringList& statement, const std::function<void()>& preparation,
                       std::initializer_list<Dataset*> reopen, const WriteCheck& check = {});

// "Продолжить удаление?": true for Yes.
bool ConfirmDeletion();

// The error box: the message, caption "Ошибка", stop icon, OK.
void showErrorBox(const QString& message);

// End its transaction (rolled back), close it, start the transaction, open it.
void restartDataset(Dataset& dataset);

} // namespace data
