#pragma once

#include <QTranslator>
#include <memory>

class QApplication;
class TForm1;
class TForm2;
class TForm4;
class TForm6;
namespace data { class TDM; }

namespace program {

// The program's objects, created once in their fixed order and kept until
// the end: the data module, then the board, the booking editor, the staff
// window and the sign-in dialog. Destroyed in the reverse order.
class Program {
public:
    // Tahoma or a free font of its width; the user's language for the
    // toolkit's own texts (Russian where the system has no regional settings).
    explicit Program(QApplication& application);
    ~Program();
    Program(const Program&) = delete;
    Program& operator=(const Program&) = delete;

    // Fails with AppError when the database client library cannot be loaded.
    void createDataModule();
    // Uses data::DM, which createDataModule (or a test) has set.
    void createWindows();

private:
    QTranslator m_qtTexts;
    std::unique_ptr<data::TDM> m_dm;
    std::unique_ptr<TForm1> m_form1;
    std::unique_ptr<TForm4> m_form4;
    std::unique_ptr<TForm2> m_form2;
    std::unique_ptr<TForm6> m_form6;
};

} // namespace program
