// Feeds arbitrary texts to every SQL composer and reads the statements back
// with a lexer of its own: no typed text may end a string literal early,
// open a comment or change anything outside the literals, and the code page
// conversion must either keep a text exactly or refuse it.
//
// Input: one flags byte, three 32-bit numbers (room, manager, board row),
// then fields, each a header byte (low 2 bits: decoding, high 6: length in
// bytes) followed by its bytes. Flags: bit 0 a point instead of a comma as
// the decimal separator; bit 7 number fields as they come, not cut to digits.
#include "data/Statements.h"
#include "data/Win1251.h"

#include "platform/AppError.h"
#include "platform/Regional.h"

#include <QRegularExpression>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

using namespace data::sql;

namespace {

[[noreturn]] void fail(const char* what, const QString& detail = {})
{
    std::fprintf(stderr, "FuzzStatements: %s\n%s\n", what, detail.toUtf8().constData());
    std::abort();
}

void check(bool ok, const char* what, const QString& detail = {})
{
    if (!ok)
        fail(what, detail);
}

// ---------------------------------------------------------------------------
// The statement as the server reads it: apostrophe literals with '' for an
// apostrophe. The skeleton is the statement with every literal emptied to ''.
// Comments, quoted identifiers and literals glued to a word (q'..', x'..',
// _charset'..') never occur in a composed statement, so each is a fault.

struct Lexed {
    QStringList literals;
    QString skeleton;
    const char* problem = nullptr;
};

bool isWordChar(QChar c)
{
    return c.isLetterOrNumber() || c == QLatin1Char('_') || c == QLatin1Char('$');
}

Lexed lex(const QString& s)
{
    Lexed out;
    const qsizetype n = s.size();
    qsizetype i = 0;
    while (i < n) {
        const QChar c = s[i];
        if (c == QLatin1Char('\'')) {
            if (i > 0 && isWordChar(s[i - 1])) {
                out.problem = "literal glued to a word";
                return out;
            }
            QString literal;
            ++i;
            for (;;) {
                if (i >= n) {
                    out.problem = "unterminated literal";
                    return out;
                }
                if (s[i] == QLatin1Char('\'')) {
                    if (i + 1 < n && s[i + 1] == QLatin1Char('\'')) {
                        literal += QLatin1Char('\'');
                        i += 2;
                        continue;
                    }
                    ++i;
                    break;
                }
                literal += s[i++];
            }
            out.literals << literal;
            out.skeleton += QLatin1String("''");
            continue;
        }
        if ((c == QLatin1Char('-') && i + 1 < n && s[i + 1] == QLatin1Char('-')) ||
            (c == QLatin1Char('/') && i + 1 < n && s[i + 1] == QLatin1Char('*'))) {
            out.problem = "comment outside literals";
            return out;
        }
        if (c == QLatin1Char('"')) {
            out.problem = "quoted identifier";
            return out;
        }
        out.skeleton += c;
        ++i;
    }
    return out;
}

// Lines as the dataset sends them.
QString joined(const QStringList& lines)
{
    QString text;
    for (const QString& line : lines)
        text += line + QLatin1String("\r\n");
    return text;
}

// The statement holds exactly the given texts as its literals, in order, and
// is the reference statement (all texts empty) everywhere else. The same
// must hold for the bytes sent, read back one byte per character.
void checkStatement(const char* composer, const QString& statement, const QStringList& texts,
                    const QString& reference)
{
    const Lexed got = lex(statement);
    const QString detail = QString::fromLatin1(composer) + QLatin1String(": ") + statement;
    check(!got.problem, got.problem ? got.problem : "", detail);
    check(got.literals == texts, "literals differ from the texts typed", detail);
    check(got.skeleton == reference, "text outside the literals changed", detail + QLatin1String("\nvs\n") + reference);

    QByteArray sent;
    try {
        sent = data::toWin1251(statement);
    } catch (const platform::AppError&) {
        bool someRefused = false;
        for (const QString& t : texts) {
            try {
                data::toWin1251(t);
            } catch (const platform::AppError&) {
                someRefused = true;
            }
        }
        check(someRefused, "statement refused though every text converts", detail);
        return;
    }
    const Lexed wire = lex(QString::fromLatin1(sent));
    check(!wire.problem, wire.problem ? wire.problem : "", detail);
    check(wire.literals.size() == texts.size(), "the bytes sent hold other literals", detail);
    for (qsizetype i = 0; i < texts.size(); ++i)
        check(wire.literals[i].toLatin1() == data::toWin1251(texts[i]), "a literal's bytes differ", detail);
    check(wire.skeleton == reference, "the bytes sent have another structure", detail);
}

// A reference must itself be a clean statement whose literals are all empty.
void checkReference(const QString& reference, qsizetype literals)
{
    const Lexed r = lex(reference);
    check(!r.problem && r.literals.size() == literals && r.skeleton == reference, "reference statement malformed",
          reference);
}

// ---------------------------------------------------------------------------

void checkWin1251(const QString& text)
{
    QByteArray bytes;
    try {
        bytes = data::toWin1251(text);
    } catch (const platform::AppError& e) {
        // Named by its code, and it is the first character that cannot go. (No
        // regular expression here: the message shows a lone surrogate as it is.)
        const QString& message = e.message();
        const qsizetype open = message.indexOf(QLatin1String("(U+"));
        const qsizetype close = open < 0 ? -1 : message.indexOf(QLatin1Char(')'), open);
        bool ok = false;
        const QString digits = close < 0 ? QString() : message.mid(open + 3, close - open - 3);
        const char32_t named = char32_t(digits.toUInt(&ok, 16));
        check(ok && digits.size() >= 4 && digits == digits.toUpper(), "refusal names no character", message);
        qsizetype at = -1;
        for (qsizetype i = 0; i < text.size(); ++i) {
            char32_t u = text[i].unicode();
            if (text[i].isHighSurrogate() && i + 1 < text.size() && text[i + 1].isLowSurrogate())
                u = QChar::surrogateToUcs4(text[i], text[i + 1]);
            if (u == named) {
                at = i;
                break;
            }
        }
        check(at >= 0, "refusal names a character not in the text", e.message());
        try {
            data::toWin1251(text.left(at));
        } catch (const platform::AppError&) {
            fail("refusal names a later character than the first refused", e.message());
        }
        return;
    }
    check(!text.contains(QChar(0)), "NUL let through", text);
    check(bytes.size() == text.size(), "code page text of another length", text);
    check(data::fromWin1251(bytes) == text, "code page text does not read back", text);
}

// Every byte string is code page text and must come back unchanged; only
// NUL, which nobody reading C strings would see, is refused.
void checkBytes(const QByteArray& bytes)
{
    const QString text = data::fromWin1251(bytes);
    QByteArray back;
    try {
        back = data::toWin1251(text);
    } catch (const platform::AppError& e) {
        check(bytes.contains('\0') && e.message().contains(QLatin1String("(U+0000)")),
              "text read from the database refused on the way back", e.message());
        return;
    }
    check(back == bytes, "bytes do not survive a read and write");
}

const QRegularExpression& bareForm()
{
    static const QRegularExpression re(QRegularExpression::anchoredPattern(QStringLiteral("[+-]?[0-9]*")));
    return re;
}

const QRegularExpression& amountForm()
{
    static const QRegularExpression re(
        QRegularExpression::anchoredPattern(QStringLiteral("([+-]?[0-9]+(\\.[0-9]+)?)?")));
    return re;
}

void checkScalars(const QString& text)
{
    const QString q = quoted(text);
    const Lexed l = lex(q);
    check(!l.problem && l.literals == QStringList{text} && l.skeleton == QLatin1String("''"),
          "quoted text does not read back as itself alone", q);
    checkStatement("loginFilter", loginFilter(text), {text}, loginFilter({}));

    try {
        const QString b = bare(text);
        check(b == text, "bare changed the text", text);
        check(bareForm().match(b).hasMatch(), "bare let through more than a number", b);
    } catch (const platform::AppError& e) {
        check(e.message() == QStringLiteral("'%1' is not a valid integer value").arg(text), "bare: other message",
              e.message());
    }
    try {
        const QString a = bareAmount(text);
        check(amountForm().match(a).hasMatch(), "bareAmount let through more than a number", a);
        QString expected = text;
        expected.replace(platform::decimalSeparator(), QLatin1Char('.'));
        check(a == expected, "bareAmount changed more than the separator", a);
    } catch (const platform::AppError& e) {
        check(e.message() == QStringLiteral("'%1' is not a valid floating point value").arg(text),
              "bareAmount: other message", e.message());
    }
    checkWin1251(text);
}

// What a number field holds when the raw text is no number: its digits, so
// that the composers run far more often than raw input would let them.
QString digitsOf(const QString& text)
{
    QString out;
    for (QChar c : text)
        if (c >= QLatin1Char('0') && c <= QLatin1Char('9'))
            out += c;
    return out;
}

QString numberOr(const QString& text, bool raw)
{
    if (raw)
        return text;
    try {
        bare(text);
        return text;
    } catch (const platform::AppError&) {
        return digitsOf(text);
    }
}

QString amountOr(const QString& text, bool raw)
{
    if (raw)
        return text;
    try {
        bareAmount(text);
        return text;
    } catch (const platform::AppError&) {
        return digitsOf(text);
    }
}

BookingTexts withoutTexts(BookingTexts b)
{
    b.client.clear();
    b.tel.clear();
    b.corp.clear();
    b.turag.clear();
    b.date1.clear();
    b.date2.clear();
    b.garanty.clear();
    return b;
}

QStringList textsOf(const BookingTexts& b)
{
    return {b.client, b.tel, b.corp, b.turag, b.date1, b.date2, b.garanty};
}

template <typename F>
void composing(F&& f)
{
    try {
        f();
    } catch (const platform::AppError&) {
        // a number field refused: the one failure allowed
    }
}

void checkComposers(const QStringList& f, qint32 zals, qint32 otv, qint32 row, bool raw)
{
    auto at = [&](int i) { return f[i % f.size()]; };
    BookingTexts b;
    b.client = at(0);
    b.tel = at(1);
    b.corp = at(2);
    b.turag = at(3);
    b.vzros = numberOr(at(4), raw);
    b.reb6 = numberOr(at(5), raw);
    b.reb12 = numberOr(at(6), raw);
    b.zalsId = zals;
    b.date1 = at(7);
    b.date2 = at(8);
    b.price = numberOr(at(9), raw);
    b.skidka = numberOr(at(10), raw);
    b.oplata = amountOr(at(11), raw);
    b.garanty = at(12);
    b.otvId = otv;
    const QString id = numberOr(at(13), raw);

    composing([&] {
        const QString reference = joined(bookingInsert(withoutTexts(b)));
        checkReference(reference, 7);
        checkStatement("bookingInsert", joined(bookingInsert(b)), textsOf(b), reference);
    });
    composing([&] {
        const QString reference = joined(bookingUpdate(withoutTexts(b), id));
        checkReference(reference, 7);
        checkStatement("bookingUpdate", joined(bookingUpdate(b, id)), textsOf(b), reference);
    });
    composing([&] {
        const QString reference = joined(accountInsert({}, {}, {}, {}));
        checkReference(reference, 4);
        checkStatement("accountInsert", joined(accountInsert(at(0), at(1), at(2), at(3))),
                       {at(0), at(1), at(2), at(3)}, reference);
    });
    composing([&] {
        const QString reference = joined(accountUpdate({}, {}, {}, {}, id));
        checkReference(reference, 4);
        checkStatement("accountUpdate", joined(accountUpdate(at(0), at(1), at(2), at(3), id)),
                       {at(0), at(1), at(2), at(3)}, reference);
    });
    composing([&] {
        const QString statement = accountDelete(id);
        checkReference(statement, 0);
        checkStatement("accountDelete", statement, {}, statement);
    });
    composing([&] {
        const QString reference = bookingDelete(row, {});
        checkReference(reference, 1);
        checkStatement("bookingDelete", bookingDelete(row, at(7)), {at(7)}, reference);
    });
    composing([&] {
        const QString reference = joined(bookingAt({}, row));
        checkReference(reference, 1);
        checkStatement("bookingAt", joined(bookingAt(at(7), row)), {at(7)}, reference);
    });
}

QString decode(int how, const QByteArray& bytes)
{
    switch (how) {
    case 0:
        return QString::fromUtf8(bytes);
    case 1: { // UTF-16 code units as they come: lone surrogates and NULs included
        std::vector<char16_t> units(size_t(bytes.size() / 2));
        if (!units.empty())
            std::memcpy(units.data(), bytes.constData(), units.size() * 2);
        return QString(reinterpret_cast<const QChar*>(units.data()), qsizetype(units.size()));
    }
    case 2:
        return data::fromWin1251(bytes);
    default:
        return QString::fromLatin1(bytes);
    }
}

qint32 number(const uint8_t* p)
{
    quint32 v;
    std::memcpy(&v, p, 4);
    return qint32(v);
}

struct Setup {
    Setup()
    {
        // Without the code page tables every Cyrillic text would be refused or mangled.
        check(data::toWin1251(QStringLiteral("Жё€")) == QByteArray("\xC6\xB8\x88"), "code page table missing");
    }
};

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    static Setup setup;
    constexpr size_t kHeader = 13;
    uint8_t header[kHeader] = {};
    std::memcpy(header, data, size < kHeader ? size : kHeader);
    const uint8_t flags = header[0];
    platform::setRegionalLocaleForTests((flags & 1) ? QLocale(QLocale::English, QLocale::UnitedStates)
                                                    : QLocale(QLocale::Russian, QLocale::Russia));

    QStringList fields;
    size_t pos = size < kHeader ? size : kHeader;
    // Sixteen fields fill every slot; more would only repeat them.
    while (pos < size && fields.size() < 16) {
        const uint8_t h = data[pos++];
        const size_t length = qMin<size_t>(h >> 2, size - pos);
        const QByteArray bytes(reinterpret_cast<const char*>(data + pos), qsizetype(length));
        pos += length;
        checkBytes(bytes);
        fields << decode(h & 3, bytes);
    }
    if (fields.isEmpty())
        fields << QString();
    for (const QString& f : fields)
        checkScalars(f);

    // Every field goes through every slot in turn, so each composer sees each text.
    for (qsizetype shift = 0; shift < fields.size(); ++shift)
        checkComposers(fields.mid(shift) + fields.mid(0, shift), number(header + 1), number(header + 5),
                       number(header + 9), (flags & 0x80) != 0);
    return 0;
}
