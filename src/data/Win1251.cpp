#include "data/Win1251.h"

#include "platform/AppError.h"

#include <QHash>
#include <QStringDecoder>
#include <array>

namespace data {

namespace {

struct Tables {
    std::array<char16_t, 256> toUnicode{};
    QHash<char16_t, unsigned char> fromUnicode;

    Tables()
    {
        QStringDecoder decoder("windows-1251");
        for (int b = 0; b < 256; ++b) {
            const char byte = static_cast<char>(b);
            const QString s = decoder.decode(QByteArrayView(&byte, 1));
            // 0x98 is unassigned; keep it as its own code so it survives a round trip.
            const char16_t u = (s.size() == 1 && s.at(0) != QChar::ReplacementCharacter)
                                   ? s.at(0).unicode()
                                   : char16_t(b);
            toUnicode[b] = u;
            fromUnicode.insert(u, static_cast<unsigned char>(b));
        }
    }
};

const Tables& tables()
{
    static const Tables t;
    return t;
}

} // namespace

QString fromWin1251(const char* bytes, qsizetype length)
{
    const auto& map = tables().toUnicode;
    QString out(length, Qt::Uninitialized);
    QChar* dst = out.data();
    for (qsizetype i = 0; i < length; ++i)
        dst[i] = QChar(map[static_cast<unsigned char>(bytes[i])]);
    return out;
}

QByteArray toWin1251(const QString& text)
{
    const auto& map = tables().fromUnicode;
    QByteArray out(text.size(), Qt::Uninitialized);
    char* dst = out.data();
    for (qsizetype i = 0; i < text.size(); ++i) {
        const char16_t u = text.at(i).unicode();
        if (u < 0x80 && u != 0) {
            dst[i] = static_cast<char>(u);
            continue;
        }
        // NUL is a byte of the code page, but whoever reads the text as a C
        // string (the client library the database name, other clients every
        // text) would silently cut it there.
        const auto it = u == 0 ? map.constEnd() : map.constFind(u);
        if (it == map.constEnd()) {
            char32_t code = u;
            QString shown = u == 0 ? QString() : text.mid(i, 1);
            if (text.at(i).isHighSurrogate() && i + 1 < text.size() && text.at(i + 1).isLowSurrogate()) {
                code = QChar::surrogateToUcs4(text.at(i), text.at(i + 1));
                shown = text.mid(i, 2);
            }
            throw platform::AppError(
                QStringLiteral("Символ \"%1\" (U+%2) нельзя сохранить в базе данных: "
                               "её кодировка Windows-1251 его не содержит")
                    .arg(shown)
                    .arg(QString::number(code, 16).toUpper().rightJustified(4, QLatin1Char('0'))));
        }
        dst[i] = static_cast<char>(*it);
    }
    return out;
}

} // namespace data
