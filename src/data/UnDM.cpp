#include "data/UnDM.h"

#include "data/fb/FbLibrary.h"

namespace data {

TDM* DM = nullptr;

namespace {

QByteArray tpb(std::initializer_list<unsigned char> words)
{
    QByteArray block;
    for (unsigned char w : words)
        block.append(char(w));
    return block;
}

// The display transactions only read, and every dataset fetches all its rows
// when it opens. Read-only read committed: the server starts such a
// transaction already committed, so a desk left idle for hours holds back
// neither garbage collection nor the oldest active transaction. Closing and
// opening a dataset in it reads the latest committed rows.
QByteArray displayTpb()
{
    return tpb({isc_tpb_read, isc_tpb_read_committed, isc_tpb_rec_version});
}

QList<FieldDef> qukFields()
{
    return {
        {"ID", FieldType::Integer, 0, true},      {"CLIENT", FieldType::Text, 30, true},
        {"DATE1", FieldType::Date, 0, true},      {"DATE2", FieldType::Date, 0, true},
        {"ZALS_ID", FieldType::Integer, 0, true}, {"OTV_ID", FieldType::Integer, 0, true},
        {"NAME", FieldType::Text, 50, true},      {"DOLJN", FieldType::Text, 50, true},
        {"CORP", FieldType::Text, 50, false},     {"TURAG", FieldType::Text, 50, false},
        {"TEL", FieldType::Text, 15, true},       {"VZROS", FieldType::Integer, 0, true},
        {"REB6", FieldType::Integer, 0, true},    {"REB12", FieldType::Integer, 0, true},
        {"GARANTY", FieldType::Text, 20, false},  {"PRICE", FieldType::Number, 0, false},
        {"SKIDKA", FieldType::Number, 0, false},  {"OPLATA", FieldType::Number, 0, false},
    };
}

QList<FieldDef> qAllFields()
{
    return {
        {"ID", FieldType::Integer, 0, true},     {"CLIENT", FieldType::Text, 30, true},
        {"CORP", FieldType::Text, 50, false},    {"TURAG", FieldType::Text, 50, false},
        {"TEL", FieldType::Text, 15, true},      {"VZROS", FieldType::Integer, 0, true},
        {"REB6", FieldType::Integer, 0, true},   {"REB12", FieldType::Integer, 0, true},
        {"DATE1", FieldType::Date, 0, true},     {"DATE2", FieldType::Date, 0, true},
        {"ZALS_ID", FieldType::Integer, 0, true}, {"GARANTY", FieldType::Text, 20, false},
        {"OTV_ID", FieldType::Integer, 0, true}, {"NAME", FieldType::Text, 50, true},
        {"PRICE", FieldType::Number, 0, false},  {"OPLATA", FieldType::Number, 0, false},
    };
}

QList<FieldDef> accountFields()
{
    return {
        {"ID", FieldType::Integer, 0, true},   {"NAME", FieldType::Text, 50, true},
        {"DOLJN", FieldType::Text, 50, true},  {"LOGIN", FieldType::Text, 20, true},
        {"PWD", FieldType::Text, 20, false},   {"GR", FieldType::Text, 10, true},
    };
}

} // namespace

TDM::TDM()
    : Tran1(DB, "Tran1", tpb({isc_tpb_write, isc_tpb_consistency}), true),
      tr1(DB, "tr1", tpb({isc_tpb_write, isc_tpb_wait, isc_tpb_rec_version, isc_tpb_read_committed})),
      tAll(DB, "tAll", displayTpb()), tZals(DB, "tZals", displayTpb()), tOtv(DB, "tOtv", displayTpb()),
      tIm(DB, "tIm", displayTpb()),
      Quk("Quk", Tran1, {"select * from RES ", "inner join OTV on OTV.ID=RES.OTV_ID"}, qukFields()),
      IBQuery2("IBQuery2", tr1, QStringList(), {}),
      qAll("qAll", tAll, {"select * from RES inner join OTV on OTV.ID=RES.OTV_ID"}, qAllFields()),
      tabZals("tabZals", tZals, "ZALS", "ID", {}),
      tabIm("tabIm", tIm, "OTV", QString(), accountFields()),
      tabOtv("tabOtv", tOtv, {"select * from OTV  where GR='EDIT' and NAME>'admin'", ""}, accountFields()),
      qCheck("qCheck", tr1, QStringList(), {}),
      qNames("qNames", tAll, {"select ID, NAME from OTV order by ID"}, {})
{
    fb::ensureLoaded();
}

TDM::~TDM()
{
    // Before the transactions and datasets go: closing commits what is open.
    DB.closeQuietly();
}

} // namespace data
