// The colour texts of conf.ini's section Color and what the board paints for them.
#include "board/Colors.h"

#include "platform/AppError.h"

#include <QCoreApplication>
#include <QGuiApplication>
#include <QPalette>
#include <QTest>

using namespace board;

namespace {

QString notIntegerMessage(const QString& text)
{
    return QStringLiteral("'%1' is not a valid integer value").arg(text);
}

} // namespace

// Runs before any application object exists, the way the fuzz target and
// early start-up code see the system colours.
class ColorsWithoutAppTest : public QObject {
    Q_OBJECT
private slots:
    void systemColoursAreClassic_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QColor>("expected");
        QTest::newRow("window") << "clWindow" << QColor(255, 255, 255);
        QTest::newRow("window text") << "clWindowText" << QColor(0, 0, 0);
        QTest::newRow("button face") << "clBtnFace" << QColor(212, 208, 200);
        QTest::newRow("highlight") << "clHighlight" << QColor(10, 36, 106);
        QTest::newRow("tooltip background") << "clInfoBk" << QColor(255, 255, 225);
        QTest::newRow("unassigned index 25") << "$FF000019" << QColor(192, 192, 192);
    }
    void systemColoursAreClassic()
    {
        QFETCH(QString, name);
        QFETCH(QColor, expected);
        QVERIFY(!QCoreApplication::instance());
        QCOMPARE(colorToQColor(strToColor(name)), expected);
    }
};

class ColorsTest : public QObject {
    Q_OBJECT
private slots:
    void initTestCase()
    {
        QPalette p = QGuiApplication::palette();
        p.setColor(QPalette::Base, QColor(0x01, 0x02, 0x03));
        p.setColor(QPalette::Button, QColor(0x04, 0x05, 0x06));
        p.setColor(QPalette::Highlight, QColor(0x07, 0x08, 0x09));
        p.setColor(QPalette::WindowText, QColor(0x0A, 0x0B, 0x0C));
        p.setColor(QPalette::Disabled, QPalette::Text, QColor(0x0D, 0x0E, 0x0F));
        p.setColor(QPalette::ToolTipBase, QColor(0x10, 0x11, 0x12));
        QGuiApplication::setPalette(p);
    }

    void strToColor_data()
    {
        QTest::addColumn<QString>("text");
        QTest::addColumn<qint32>("expected");
        QTest::newRow("clRed") << "clRed" << 255;
        QTest::newRow("CLRED") << "CLRED" << 255;
        QTest::newRow("$0000FF") << "$0000FF" << 255;
        QTest::newRow("0x0000ff") << "0x0000ff" << 255;
        QTest::newRow("x0000FF") << "x0000FF" << 255;
        QTest::newRow("255") << "255" << 255;
        QTest::newRow("clBtnFace") << "clBtnFace" << qint32(0xFF00000Fu);
        QTest::newRow("negative number") << "-16777201" << qint32(0xFF00000Fu);

        const struct {
            const char* name;
            quint32 value;
        } table[] = {
            {"clBlack", 0x000000}, {"clMaroon", 0x000080}, {"clGreen", 0x008000}, {"clOlive", 0x008080},
            {"clNavy", 0x800000}, {"clPurple", 0x800080}, {"clTeal", 0x808000}, {"clGray", 0x808080},
            {"clSilver", 0xC0C0C0}, {"clLime", 0x00FF00}, {"clYellow", 0x00FFFF},
            {"clBlue", 0xFF0000}, {"clFuchsia", 0xFF00FF}, {"clAqua", 0xFFFF00}, {"clWhite", 0xFFFFFF},
            {"clMoneyGreen", 0xC0DCC0}, {"clSkyBlue", 0xF0CAA6}, {"clCream", 0xF0FBFF},
            {"clMedGray", 0xA4A0A0}, {"clDefault", 0x20000000}, {"clNone", 0x1FFFFFFF},
            {"clScrollBar", 0xFF000000}, {"clBackground", 0xFF000001}, {"clActiveCaption", 0xFF000002},
            {"clInactiveCaption", 0xFF000003}, {"clMenu", 0xFF000004}, {"clWindow", 0xFF000005},
            {"clWindowFrame", 0xFF000006}, {"clMenuText", 0xFF000007}, {"clWindowText", 0xFF000008},
            {"clCaptionText", 0xFF000009}, {"clActiveBorder", 0xFF00000A}, {"clInactiveBorder", 0xFF00000B},
            {"clAppWorkSpace", 0xFF00000C}, {"clHighlight", 0xFF00000D}, {"clHighlightText", 0xFF00000E},
            {"clBtnShadow", 0xFF000010}, {"clGrayText", 0xFF000011}, {"clBtnText", 0xFF000012},
            {"clInactiveCaptionText", 0xFF000013}, {"clBtnHighlight", 0xFF000014},
            {"cl3DDkShadow", 0xFF000015}, {"cl3DLight", 0xFF000016}, {"clInfoText", 0xFF000017},
            {"clInfoBk", 0xFF000018}, {"clHotLight", 0xFF00001A}, {"clGradientActiveCaption", 0xFF00001B},
            {"clGradientInactiveCaption", 0xFF00001C}, {"clMenuHighlight", 0xFF00001D},
            {"clMenuBar", 0xFF00001E},
        };
        for (const auto& row : table) {
            QTest::newRow(row.name) << QString::fromLatin1(row.name) << qint32(row.value);
            const QByteArray lower = QByteArray(row.name).toLower();
            QTest::newRow(lower.constData()) << QString::fromLatin1(lower) << qint32(row.value);
        }
    }

    void strToColor()
    {
        QFETCH(QString, text);
        QFETCH(qint32, expected);
        QCOMPARE(board::strToColor(text), expected);
    }

    void strToColorFails_data()
    {
        QTest::addColumn<QString>("text");
        QTest::newRow("red") << "red";
        QTest::newRow("name with blank") << "clRed ";
        QTest::newRow("blank before name") << " clRed";
        QTest::newRow("name prefix") << "clRe";
        QTest::newRow("empty") << "";
    }

    void strToColorFails()
    {
        QFETCH(QString, text);
        try {
            const qint32 v = board::strToColor(text);
            QFAIL(qPrintable(QStringLiteral("read as %1").arg(v)));
        } catch (const platform::AppError& e) {
            QCOMPARE(e.message(), notIntegerMessage(text));
        }
    }

    void redFailsWithTheUsersMessage()
    {
        try {
            board::strToColor(QStringLiteral("red"));
            QFAIL("red was read as a colour");
        } catch (const platform::AppError& e) {
            QCOMPARE(e.message(), QStringLiteral("'red' is not a valid integer value"));
        }
    }

    void colorToQColor_data()
    {
        QTest::addColumn<qint32>("value");
        QTest::addColumn<QColor>("expected");
        QTest::newRow("red") << 0x0000FF << QColor(255, 0, 0);
        QTest::newRow("green") << 0x00FF00 << QColor(0, 255, 0);
        QTest::newRow("blue") << 0xFF0000 << QColor(0, 0, 255);
        QTest::newRow("mixed") << 0x123456 << QColor(0x56, 0x34, 0x12);
        QTest::newRow("top byte ignored") << 0x0F123456 << QColor(0x56, 0x34, 0x12);
        QTest::newRow("clDefault") << kColorDefault << QColor(Qt::white);
        QTest::newRow("clNone") << kColorNone << QColor(Qt::transparent);
        // The palette set in initTestCase, so that each role is told apart.
        QTest::newRow("clWindow") << qint32(0xFF000005u) << QColor(0x01, 0x02, 0x03);
        QTest::newRow("clBtnFace") << qint32(0xFF00000Fu) << QColor(0x04, 0x05, 0x06);
        QTest::newRow("clHighlight") << qint32(0xFF00000Du) << QColor(0x07, 0x08, 0x09);
        QTest::newRow("clWindowText") << qint32(0xFF000008u) << QColor(0x0A, 0x0B, 0x0C);
        QTest::newRow("clGrayText") << qint32(0xFF000011u) << QColor(0x0D, 0x0E, 0x0F);
        QTest::newRow("clInfoBk") << qint32(0xFF000018u) << QColor(0x10, 0x11, 0x12);
        QTest::newRow("system colour by low byte") << qint32(0x80000005u) << QColor(0x01, 0x02, 0x03);
        QTest::newRow("unassigned index") << qint32(0xFF000019u) << QColor(192, 192, 192);
        QTest::newRow("index past the table") << qint32(0xFF0000FFu) << QColor(192, 192, 192);
    }

    void colorToQColor()
    {
        QFETCH(qint32, value);
        QFETCH(QColor, expected);
        QCOMPARE(board::colorToQColor(value), expected);
    }

    void colorIsNone()
    {
        QVERIFY(board::colorIsNone(board::strToColor(QStringLiteral("clNone"))));
        QVERIFY(!board::colorIsNone(board::strToColor(QStringLiteral("clDefault"))));
        QVERIFY(!board::colorIsNone(0));
        QVERIFY(!board::colorIsNone(-1));
    }
};

int main(int argc, char** argv)
{
    int failures = 0;
    {
        ColorsWithoutAppTest t;
        failures += QTest::qExec(&t, argc, argv);
    }
    QGuiApplication app(argc, argv);
    {
        ColorsTest t;
        failures += QTest::qExec(&t, argc, argv);
    }
    return failures == 0 ? 0 : 1;
}

#include "ColorsTest.moc"
