#include "program/Program.h"

#include "board/Main.h"
#include "booking/Unit4.h"
#include "data/UnDM.h"
#include "platform/Regional.h"
#include "signin/Login.h"
#include "staff/Unit5.h"

#include <QApplication>
#include <QFont>
#include <QFontDatabase>
#include <QLibraryInfo>
#include <QLocale>

namespace program {

Program::Program(QApplication& application)
{
    if (!QFontDatabase::families().contains(QStringLiteral("Tahoma")))
        QFont::insertSubstitutions(QStringLiteral("Tahoma"),
                                   {QStringLiteral("Liberation Sans"), QStringLiteral("DejaVu Sans"),
                                    QStringLiteral("Noto Sans")});
    QLocale::setDefault(platform::regionalLocale());
    if (m_qtTexts.load(platform::regionalLocale(), QStringLiteral("qtbase"), QStringLiteral("_"),
                       QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        application.installTranslator(&m_qtTexts);
}

Program::~Program()
{
    m_form6.reset();
    m_form2.reset();
    m_form4.reset();
    m_form1.reset();
    if (m_dm) {
        data::DM = nullptr;
        m_dm.reset();
    }
}

void Program::createDataModule()
{
    m_dm = std::make_unique<data::TDM>();
    data::DM = m_dm.get();
}

void Program::createWindows()
{
    m_form1 = std::make_unique<TForm1>();
    Form1 = m_form1.get();
    m_form4 = std::make_unique<TForm4>();
    Form4 = m_form4.get();
    m_form2 = std::make_unique<TForm2>();
    Form2 = m_form2.get();
    m_form6 = std::make_unique<TForm6>();
    Form6 = m_form6.get();
}

} // namespace program
