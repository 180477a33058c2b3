#include "data/WriteStatement.h"

#include "data/ChangeEvents.h"
#include "data/UnDM.h"
#include "platform/AppError.h"
#include "platform/Dialogs.h"

namespace data {

namespace {
// The notification of the desk's own commit comes back within a few
// milliseconds; counted before the re-read that follows, it causes no
// second reload of the board.
constexpr int kOwnChangeWaitMs = 250;
}

void showErrorBox(const QString& message)
{
    platform::showMessage({QStringLiteral("Ошибка"), message, platform::MsgIcon::Error, platform::Ok, platform::Ok});
}

bool RunWriteStatement(const QStringList& statement, const std::function<void()>& preparation,
                       std::initializer_list<Dataset*> reopen, const WriteCheck& check)
{
    TDM& dm = *DM;
    try {
        dm.IBQuery2.close();
        dm.IBQuery2.setSql(statement);
        if (preparation)
            preparation();
        dm.tr1.begin();
        if (check) {
            QStringList checked = statement;
            if (!check(checked)) {
                dm.tr1.rollback();
                return false;
            }
            if (checked != statement)
                dm.IBQuery2.setSql(checked);
        }
        dm.IBQuery2.execute();
        dm.tr1.commit();
        if (dm.IBQuery2.affectedRows() > 0)
            dm.DB.changes().awaitChange(kOwnChangeWaitMs);
        for (Dataset* d : reopen) {
            d->close();
            d->open();
        }
    } catch (const platform::AppError& e) {
        if (dm.tr1.active()) {
            try {
                dm.tr1.rollback();
            } catch (const platform::AppError&) {
                // the rollback of a lost connection fails too; the handle is gone either way
            }
        }
        showErrorBox(e.message());
    }
    return true;
}

bool ConfirmDeletion()
{
    return platform::showMessage({QStringLiteral("Удаление"), QStringLiteral("Продолжить удаление?"),
                                  platform::MsgIcon::Question, platform::Yes | platform::No, platform::Yes}) ==
           platform::Yes;
}

void restartDataset(Dataset& dataset)
{
    dataset.transaction().end();
    dataset.close();
    dataset.transaction().start();
    dataset.open();
}

} // namespace data
