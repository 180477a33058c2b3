#include "EditorFixture.h"

#include "Modal.h"
#include "app/ErrorReport.h"
#include "data/Statements.h"
#include "platform/Regional.h"

#include <QTest>

EditorFixture::EditorFixture(TestDb::Where where)
{
    platform::setRegionalLocaleForTests(QLocale(QLocale::Russian, QLocale::Russia));
    platform::setTodayForTests(QDate(2013, 11, 14));
    app::resetEndRequestForTests();
    NewBooking = false;
    m_db = std::make_unique<TestDb>(where);
    m_db->installDM();
    m_boxes = std::make_unique<DialogRecorder>();
    m_form = std::make_unique<TForm4>();
    Form4 = m_form.get();
}

EditorFixture::~EditorFixture()
{
    Modal::closeModals();
    m_form.reset();
    Form4 = nullptr;
    m_boxes.reset();
    m_db.reset();
    NewBooking = false;
    platform::setTodayForTests(QDate());
    platform::setRegionalLocaleForTests(QLocale());
}

bool EditorFixture::show()
{
    m_form->show();
    return QTest::qWaitForWindowExposed(m_form.get());
}

void EditorFixture::insertBooking(int id, const QString& client, int room, const QDate& arrival,
                                  const QDate& departure, int otvId, const QString& price, const QString& discount,
                                  const QString& amount)
{
    m_db->exec(QStringLiteral("insert into RES (ID, CLIENT, TEL, CORP, TURAG, VZROS, REB6, REB12, ZALS_ID, DATE1, "
                              "DATE2, PRICE, SKIDKA, OPLATA, GARANTY, OTV_ID) values (%1, %2, '333-22-11', "
                              "'Корпорация', 'Агентство', 2, 1, 0, %3, '%4', '%5', %6, %7, %8, 'да', %9)")
                   .arg(id)
                   .arg(data::sql::quoted(client))
                   .arg(room)
                   .arg(platform::fixedDateText(arrival), platform::fixedDateText(departure), price, discount,
                        amount)
                   .arg(otvId));
}

void EditorFixture::loadLikeBoard(const QDate& arrival, int room)
{
    data::TDM& d = dm();
    TForm4& f = form();
    d.Quk.setSql(data::sql::bookingAt(platform::fixedDateText(arrival), room));
    d.Quk.open();
    d.tZals.start();
    d.tabZals.open();
    d.tOtv.start();
    d.tabOtv.open();
    NewBooking = false;
    f.EnabledEdit(true);
    f.fillManagers();
    f.Edit1->setText(d.Quk.text(QStringLiteral("CLIENT")));
    f.Edit3->setText(d.Quk.text(QStringLiteral("TEL")));
    f.Edit5->setText(d.Quk.text(QStringLiteral("CORP")));
    f.Edit8->setText(d.Quk.text(QStringLiteral("TURAG")));
    f.Edit9->setText(d.Quk.text(QStringLiteral("VZROS")));
    f.Edit10->setText(d.Quk.text(QStringLiteral("REB6")));
    f.Edit11->setText(d.Quk.text(QStringLiteral("REB12")));
    f.Edit6->setKeyValue(int(d.Quk.asInteger(QStringLiteral("ZALS_ID"))));
    f.Edit2->setDate(d.Quk.asDate(QStringLiteral("DATE1")));
    f.Edit4->setDate(d.Quk.asDate(QStringLiteral("DATE2")));
    f.Edit12->setText(d.Quk.text(QStringLiteral("PRICE")));
    f.Edit13->setText(d.Quk.text(QStringLiteral("SKIDKA")));
    f.Edit14->setText(d.Quk.text(QStringLiteral("OPLATA")));
    f.Edit16->setText(d.Quk.text(QStringLiteral("GARANTY")));
    f.selectManager(int(d.Quk.asInteger(QStringLiteral("OTV_ID"))));
}

QStringList EditorFixture::bookings() const
{
    return m_db->rows(QStringLiteral("select ID, CLIENT, TEL, CORP, TURAG, VZROS, REB6, REB12, ZALS_ID, DATE1, "
                                     "DATE2, PRICE, SKIDKA, cast(OPLATA as varchar(24)), GARANTY, OTV_ID "
                                     "from RES order by ID"));
}
