#include "scrub/ScrubRule.h"

#include "platform/vb/vb.h"

#include <algorithm>

namespace scrub {

namespace {

bool isDigits(const QString& text)
{
    return !text.isEmpty() &&
           std::all_of(text.begin(), text.end(), [](QChar c) { return c >= u'0' && c <= u'9'; });
}

} // namespace

QStringList DefaultStripTexts()
{
    return {QStringLiteral("-"), QStringLiteral("("), QStringLiteral(")"), QStringLiteral(" "),
            QStringLiteral("#")};
}

QString BuildNumber(const vb::Variant& phoneValue, const vb::Variant& areaValue, bool hasAreaField)
{
    QString number = phoneValue.text();
    if (hasAreaField) number = areaValue.text() + number;
    return number;
}

std::optional<QString> CompleteNumber(const QString& rawNumber, const NumberOptions& options)
{
    if (rawNumber.size() < 7) return std::nullopt;

    // Plain digits are left as they stand; anything else loses its
    // separators ("(201) 555-1234" -> "2015551234").
    QString number = rawNumber;
    if (!isDigits(number)) {
        for (const QString& piece : options.stripTexts)
            if (!piece.isEmpty()) number.remove(piece);
    }

    if (number.size() == 7 && options.addAreaCode) number = options.defaultCode + number;
    if (options.dropElevenFirst && number.size() == 11) number = number.mid(1);

    // Only ten digits reach the store: the local number goes into the count
    // query as a number, so ten characters with a letter among them are
    // unusable rather than a broken query.
    if (number.size() != 10 || !isDigits(number)) return std::nullopt;
    return number;
}

DncLookup::DncLookup(TableExists tableExists, CountPhone countPhone, bool nacNotInDnc)
    : m_tableExists(std::move(tableExists)), m_countPhone(std::move(countPhone)), m_nacNotInDnc(nacNotInDnc)
{
}

bool DncLookup::isListed(const QString& tenDigits)
{
    // Called once per record: the area code is made into a text of its own
    // only when it changes, and the local number is a view of the digits.
    const QStringView areaCode = QStringView(tenDigits).left(3);
    const bool sameArea = m_lastAreaCode.size() == 3 && areaCode.size() == 3 &&
                          areaCode[0] == m_lastAreaCode[0] && areaCode[1] == m_lastAreaCode[1] &&
                          areaCode[2] == m_lastAreaCode[2];
    if (!sameArea && areaCode != m_lastAreaCode) {
        const QString code = areaCode.toString();
        if (!m_tableExists(QStringLiteral("phone") + code)) return m_nacNotInDnc;
        m_lastAreaCode = code;
    }
    const QString localNumber =
        tenDigits.size() >= 10 ? QString::fromRawData(tenDigits.constData() + 3, 7) : tenDigits.mid(3, 7);
    return m_countPhone(m_lastAreaCode, localNumber) != 0;
}

bool ScrubCounters::add(Outcome outcome)
{
    switch (outcome) {
    case Outcome::Found:
        ++found;
        break;
    case Outcome::NotFound:
        ++notFound;
        break;
    case Outcome::Unusable:
        ++unusable;
        break;
    }
    ++records;
    return records % 100 == 0;
}

QString ScrubCounters::percentText() const
{
    const std::int32_t base = std::max(total, records);
    const double share = base > 0 ? static_cast<double>(found) / base * 100.0 : 0.0;
    return vb::Format(vb::Variant(share), QStringLiteral("#0.00"));
}

std::int32_t ScrubCounters::progressMaximum() const
{
    return std::max(total, 0);
}

std::int32_t ScrubCounters::progressValue() const
{
    return std::clamp(records, 0, progressMaximum());
}

QString ScrubCounters::statusText() const
{
    return QString::number(notFound) + QStringLiteral(" Not in DNC List; ") + QString::number(found) +
           QStringLiteral("(") + percentText() + QStringLiteral("%) in DNC List; ") +
           QString::number(unusable) + QStringLiteral(" Null Numbers ");
}

QString ScrubCounters::summaryText() const
{
    return QStringLiteral("Action is finished!") + vb::vbCrLf + statusText();
}

QString ScrubCounters::textFileSummary(const QString& backupName) const
{
    QString text = QStringLiteral("Action is finished!") + vb::vbCrLf;
    if (found > 0) {
        if (!backupName.isEmpty()) text += QStringLiteral("Backup of Original: ") + backupName + vb::vbCrLf;
        return text + QString::number(notFound) + QStringLiteral(" Not in DNC List; ") +
               QString::number(found) + QStringLiteral(" in DNC List; ") + QString::number(unusable) +
               QStringLiteral("  Null Numbers;");
    }
    return text + QString::number(notFound) + QStringLiteral(" Not in DNC List; ") + QStringLiteral("0") +
           QStringLiteral(" in DNC List;") + QString::number(unusable) + QStringLiteral("  Null Numbers;");
}

QString ElapsedText(double startSeconds, double nowSeconds)
{
    // Kept in single precision, as the timer itself is: seven digits at
    // most, without the noise of a double's last places.
    return vb::CStr(vb::Variant(static_cast<float>(std::max(0.0, nowSeconds - startSeconds))));
}

std::optional<QString> MarkedValue(const vb::Variant& oldValue, const QString& markText,
                                   std::int32_t markAction)
{
    const bool replace = markAction != 0 && markAction != 1;
    if (markText.isEmpty() && !replace) return std::nullopt;
    if (markAction == 0) return markText + oldValue.text();
    if (markAction == 1) return oldValue.text() + markText;
    return markText;
}

QString OkFileLine(const QString& number)
{
    return number;
}

QString DncFileLine(const QString& number, const QString& separator)
{
    return number + separator + vb::CStr(vb::Now());
}

} // namespace scrub
