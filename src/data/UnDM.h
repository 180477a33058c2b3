#pragma once

#include "data/Connection.h"
#include "data/Dataset.h"
#include "data/Transaction.h"

#include <QObject>

namespace data {

// A data source ties a control to a dataset; controls follow its changed() signal.
struct DataSource {
    Dataset* dataSet;
};

// The data module: every database object of the program. It has no behaviour
// of its own beyond its settings; the windows drive it.
class TDM {
public:
    TDM();
    ~TDM();
    TDM(const TDM&) = delete;
    TDM& operator=(const TDM&) = delete;

    Connection DB;

    Transaction Tran1;
    Transaction tr1;
    Transaction tAll;
    Transaction tZals;
    Transaction tOtv;
    Transaction tIm;

    Dataset Quk;
    Dataset IBQuery2;
    Dataset qAll;
    Dataset tabZals;
    Dataset tabIm;
    Dataset tabOtv;
    // Reads of the write transaction tr1 (what a save checks before it writes).
    Dataset qCheck;
    // Every manager's name by number, for the board's colour legend; read with
    // the bookings (a restart of qAll closes it).
    Dataset qNames;

    DataSource All_ds{&qAll};
    DataSource Otv_ds{&tabOtv};
    DataSource Zals_ds{&tabZals};
    DataSource Im_ds{&tabIm};
};

// The program's one data module; set by whoever creates it (main, tests).
extern TDM* DM;

} // namespace data
