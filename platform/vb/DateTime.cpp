#include "platform/vb/DateTime.h"

#include "platform/vb/Clock.h"
#include "platform/vb/Err.h"

#include <QRegularExpression>
#include <cmath>
#include <vector>

namespace vb {

namespace {

const QDate kEpoch(1899, 12, 30);

// An OLE date split into a calendar day (days from the epoch) and the
// second of that day, rounded to the nearest second.
struct DayTime {
    std::int64_t day = 0;
    int second = 0;
};

DayTime split(double oa)
{
    if (!std::isfinite(oa)) Raise(errnum::Overflow);
    DayTime r;
    const double whole = std::trunc(oa);
    const double frac = std::fabs(oa - whole);
    r.day = static_cast<std::int64_t>(whole);
    long secs = std::lround(frac * 86400.0);
    if (secs >= 86400) {
        secs = 0;
        ++r.day;
    }
    r.second = static_cast<int>(secs);
    return r;
}

double join(std::int64_t day, int second)
{
    const double frac = second / 86400.0;
    return day >= 0 ? static_cast<double>(day) + frac : static_cast<double>(day) - frac;
}

// Seconds on a straight line, for interval arithmetic.
std::int64_t linearSeconds(double oa)
{
    const DayTime dt = split(oa);
    return dt.day * 86400 + dt.second;
}

double fromLinearSeconds(std::int64_t s)
{
    std::int64_t day = s / 86400;
    std::int64_t sec = s % 86400;
    if (sec < 0) {
        sec += 86400;
        --day;
    }
    return join(day, static_cast<int>(sec));
}

QDate dateOf(double oa)
{
    return kEpoch.addDays(split(oa).day);
}

void checkRange(double oa)
{
    if (!(oa >= -657434.0 && oa < 2958466.0)) Raise(errnum::InvalidProcedureCall);
}

int windowYear(int year, int digits)
{
    if (digits <= 2 && year < 100) return year < 30 ? 2000 + year : 1900 + year;
    return year;
}

int monthFromWord(const QString& w)
{
    static const char* const names[] = {"january",   "february", "march",    "april",
                                        "may",       "june",     "july",     "august",
                                        "september", "october",  "november", "december"};
    const QString l = w.toLower();
    if (l.size() < 3) return 0;
    for (int i = 0; i < 12; ++i) {
        const QString n = QString::fromLatin1(names[i]);
        if (n == l || (l.size() == 3 && n.startsWith(l)) || (l == QLatin1String("sept") && i == 8))
            return i + 1;
    }
    return 0;
}

bool isWeekdayWord(const QString& w)
{
    static const char* const names[] = {"sunday",   "monday", "tuesday", "wednesday",
                                        "thursday", "friday", "saturday"};
    const QString l = w.toLower();
    if (l.size() < 3) return false;
    for (const char* n : names) {
        const QString s = QString::fromLatin1(n);
        if (s == l || (l.size() == 3 && s.startsWith(l))) return true;
    }
    return false;
}

struct Tok {
    enum Kind { Num, Word, Sep } kind;
    QString text;
    int value = 0;
    bool used = false;
};

// A number of a typed date and how many digits it was typed with.
struct DateNumber {
    int value;
    int digits;
};

// Splits a typed date into numbers, words and separators; false when a
// number has more than four digits.
bool tokenize(const QString& s, std::vector<Tok>& t)
{
    for (int i = 0; i < s.size();) {
        const QChar c = s[i];
        if (c.isSpace()) {
            ++i;
        } else if (c >= QLatin1Char('0') && c <= QLatin1Char('9')) {
            int j = i;
            while (j < s.size() && s[j] >= QLatin1Char('0') && s[j] <= QLatin1Char('9'))
                ++j;
            if (j - i > 4) return false;
            Tok k{Tok::Num, s.mid(i, j - i)};
            k.value = k.text.toInt();
            t.push_back(k);
            i = j;
        } else if (c.isLetter()) {
            int j = i;
            while (j < s.size() && s[j].isLetter())
                ++j;
            t.push_back(Tok{Tok::Word, s.mid(i, j - i)});
            i = j;
        } else {
            t.push_back(Tok{Tok::Sep, QString(c)});
            ++i;
        }
    }
    return true;
}

// The time of day among the tokens: h:mm or h:mm:ss, AM or PM after it or
// after an hour alone; the tokens it takes are marked used. False when
// they make no time.
bool readTime(std::vector<Tok>& t, bool& hasTime, int& hour, int& minute, int& second)
{
    auto isSep = [&](size_t k, char ch) {
        return k < t.size() && t[k].kind == Tok::Sep && t[k].text == QLatin1Char(ch);
    };
    auto isNum = [&](size_t k) { return k < t.size() && t[k].kind == Tok::Num; };

    for (size_t k = 0; k < t.size(); ++k) {
        if (isNum(k) && isSep(k + 1, ':') && isNum(k + 2)) {
            hour = t[k].value;
            minute = t[k + 2].value;
            t[k].used = t[k + 1].used = t[k + 2].used = true;
            if (isSep(k + 3, ':') && isNum(k + 4)) {
                second = t[k + 4].value;
                t[k + 3].used = t[k + 4].used = true;
            }
            hasTime = true;
            break;
        }
    }
    int ampm = 0; // 1 AM, 2 PM
    for (size_t k = 0; k < t.size(); ++k) {
        if (t[k].kind != Tok::Word) continue;
        const QString w = t[k].text.toUpper();
        if (w == QLatin1String("AM") || w == QLatin1String("A") || w == QLatin1String("PM") ||
            w == QLatin1String("P")) {
            if (ampm) return false;
            ampm = w.startsWith(QLatin1Char('A')) ? 1 : 2;
            t[k].used = true;
            if (!hasTime) {
                if (k == 0 || !isNum(k - 1) || t[k - 1].used) return false;
                hour = t[k - 1].value;
                t[k - 1].used = true;
                hasTime = true;
            }
        }
    }
    if (hasTime) {
        if (ampm) {
            if (hour > 12) return false;
            if (hour == 12) hour = 0;
            if (ampm == 2) hour += 12;
        }
        if (hour > 23 || minute > 59 || second > 59) return false;
    }
    return true;
}

// What is left makes the date: numbers, a month name, separators.
bool dateParts(const std::vector<Tok>& t, std::vector<DateNumber>& nums, int& month)
{
    for (size_t k = 0; k < t.size(); ++k) {
        if (t[k].used) continue;
        if (t[k].kind == Tok::Num) {
            nums.push_back({t[k].value, static_cast<int>(t[k].text.size())});
        } else if (t[k].kind == Tok::Word) {
            const int m = monthFromWord(t[k].text);
            if (m) {
                if (month) return false;
                month = m;
            } else if (!isWeekdayWord(t[k].text)) {
                return false;
            }
        } else {
            const QChar c = t[k].text[0];
            if (c != QLatin1Char('/') && c != QLatin1Char('-') && c != QLatin1Char(',') &&
                c != QLatin1Char('.'))
                return false;
        }
    }
    return true;
}

// The day of a date given by its numbers and month name; the year is this
// year when none is given. False when they make no date.
bool dateDay(const std::vector<DateNumber>& nums, int month, std::int64_t& day)
{
    const int thisYear = CurrentClock().now().date().year();
    int y = thisYear, m = 0, d = 0;
    auto looksYear = [](const DateNumber& n) { return n.digits >= 3 || n.value > 31; };
    if (month) {
        m = month;
        if (nums.size() == 1) {
            if (looksYear(nums[0])) {
                y = nums[0].value;
                d = 1;
            } else {
                d = nums[0].value;
            }
        } else if (nums.size() == 2) {
            if (looksYear(nums[0])) {
                y = nums[0].value;
                d = nums[1].value;
                if (nums[0].digits <= 2) y = windowYear(y, 2);
            } else {
                d = nums[0].value;
                y = windowYear(nums[1].value, nums[1].digits);
            }
        } else {
            return false;
        }
    } else if (nums.size() == 2) {
        const DateNumber a = nums[0], b = nums[1];
        if (looksYear(a)) {
            y = a.value;
            m = b.value;
            d = 1;
        } else if (looksYear(b)) {
            m = a.value;
            y = windowYear(b.value, b.digits);
            d = 1;
        } else {
            m = a.value;
            d = b.value;
            if (m > 12 && d <= 12) std::swap(m, d);
        }
    } else if (nums.size() == 3) {
        if (looksYear(nums[0])) {
            y = nums[0].value;
            m = nums[1].value;
            d = nums[2].value;
        } else {
            m = nums[0].value;
            d = nums[1].value;
            y = windowYear(nums[2].value, nums[2].digits);
            if (m > 12 && d <= 12) std::swap(m, d);
        }
    } else {
        return false;
    }
    if (y < 100 || y > 9999) return false;
    const QDate date(y, m, d);
    if (!date.isValid()) return false;
    day = kEpoch.daysTo(date);
    return true;
}

} // namespace

double ToOleDate(const QDate& d, const QTime& t)
{
    const QTime tt = t.isValid() ? t : QTime(0, 0);
    return join(kEpoch.daysTo(d), tt.msecsSinceStartOfDay() / 1000);
}

double ToOleDate(const QDateTime& dt)
{
    return ToOleDate(dt.date(), dt.time());
}

QDateTime FromOleDate(double oaDate)
{
    const DayTime dt = split(oaDate);
    return QDateTime(kEpoch.addDays(dt.day), QTime(0, 0).addSecs(dt.second));
}

double DateSerial(int year, int month, int day)
{
    // Two-digit years follow the same window as typed dates.
    if (year >= 0 && year < 100) year = windowYear(year, 2);
    // Months and days out of range carry into the next larger unit.
    std::int64_t m0 = static_cast<std::int64_t>(year) * 12 + (month - 1);
    const int y = static_cast<int>(std::floor(m0 / 12.0));
    const int m = static_cast<int>(m0 - static_cast<std::int64_t>(y) * 12) + 1;
    const QDate first(y, m, 1);
    if (!first.isValid()) Raise(errnum::InvalidProcedureCall);
    const double r = static_cast<double>(kEpoch.daysTo(first) + (day - 1));
    checkRange(r);
    return r;
}

double TimeSerial(int hour, int minute, int second)
{
    const std::int64_t s =
        static_cast<std::int64_t>(hour) * 3600 + static_cast<std::int64_t>(minute) * 60 + second;
    return fromLinearSeconds(s);
}

bool ParseDate(const QString& s, double& oaDate)
{
    // ISO 8601 as databases and workbooks write it: "2001-12-31T15:04:05",
    // with a "T" or a blank, fractions of a second and a "Z" allowed.
    static const QRegularExpression iso(QStringLiteral(
        "^\\s*(\\d{4}-\\d{1,2}-\\d{1,2})[Tt ](\\d{1,2}:\\d{2}(?::\\d{2})?)(?:\\.(\\d{1,9}))?Z?\\s*$"));
    if (const QRegularExpressionMatch m = iso.match(s);
        m.hasMatch() && m.captured(1) + u' ' + m.captured(2) != s.trimmed()) {
        if (!ParseDate(m.captured(1) + u' ' + m.captured(2), oaDate)) return false;
        if (const QString fraction = m.captured(3); !fraction.isEmpty()) {
            const double part = QStringLiteral("0.%1").arg(fraction).toDouble() / 86400.0;
            oaDate += oaDate >= 0 ? part : -part;
        }
        return true;
    }
    std::vector<Tok> t;
    if (!tokenize(s, t) || t.empty()) return false;
    bool hasTime = false;
    int hour = 0, minute = 0, second = 0;
    if (!readTime(t, hasTime, hour, minute, second)) return false;
    std::vector<DateNumber> nums;
    int month = 0;
    if (!dateParts(t, nums, month)) return false;
    std::int64_t day = 0;
    if (!nums.empty() || month) {
        if (!dateDay(nums, month, day)) return false;
    } else if (!hasTime) {
        return false;
    }
    oaDate = join(day, hour * 3600 + minute * 60 + second);
    return true;
}

QString GeneralDate(double oaDate)
{
    const DayTime dt = split(oaDate);
    QString out;
    if (dt.day != 0) {
        const QDate d = kEpoch.addDays(dt.day);
        out = QStringLiteral("%1/%2/%3").arg(d.month()).arg(d.day()).arg(d.year());
        if (dt.second == 0) return out;
        out += QLatin1Char(' ');
    }
    const int h = dt.second / 3600;
    const int m = dt.second / 60 % 60;
    const int s = dt.second % 60;
    const int h12 = h % 12 == 0 ? 12 : h % 12;
    out += QStringLiteral("%1:%2:%3 %4")
               .arg(h12)
               .arg(m, 2, 10, QLatin1Char('0'))
               .arg(s, 2, 10, QLatin1Char('0'))
               .arg(h < 12 ? QLatin1String("AM") : QLatin1String("PM"));
    return out;
}

Variant Now()
{
    return Variant::fromDate(ToOleDate(CurrentClock().now()));
}

Variant Date()
{
    return Variant::fromDate(ToOleDate(CurrentClock().now().date()));
}

Variant Time()
{
    const QTime t = CurrentClock().now().time();
    return Variant::fromDate(join(0, t.msecsSinceStartOfDay() / 1000));
}

int Year(const Variant& d)
{
    return dateOf(d.toDate()).year();
}

int Month(const Variant& d)
{
    return dateOf(d.toDate()).month();
}

int Day(const Variant& d)
{
    return dateOf(d.toDate()).day();
}

int Hour(const Variant& d)
{
    return split(d.toDate()).second / 3600;
}

int Minute(const Variant& d)
{
    return split(d.toDate()).second / 60 % 60;
}

int Second(const Variant& d)
{
    return split(d.toDate()).second % 60;
}

int Weekday(const Variant& d)
{
    return dateOf(d.toDate()).dayOfWeek() % 7 + 1;
}

Variant DateAdd(const QString& interval, double number, const Variant& date)
{
    const double base = date.toDate();
    const std::int64_t n = Variant(number).toLongLong();
    const QString iv = interval.toLower();
    double r = 0;
    auto addSeconds = [&](std::int64_t unit) { r = fromLinearSeconds(linearSeconds(base) + n * unit); };
    auto addMonths = [&](std::int64_t months) {
        const DayTime dt = split(base);
        const QDate d = kEpoch.addDays(dt.day);
        const std::int64_t m0 = static_cast<std::int64_t>(d.year()) * 12 + (d.month() - 1) + months;
        if (m0 < 100 * 12 || m0 > 9999 * 12 + 11) Raise(errnum::InvalidProcedureCall);
        const int y = static_cast<int>(m0 / 12);
        const int m = static_cast<int>(m0 % 12) + 1;
        const int day = std::min(d.day(), QDate(y, m, 1).daysInMonth());
        r = join(kEpoch.daysTo(QDate(y, m, day)), dt.second);
    };
    if (iv == QLatin1String("s"))
        addSeconds(1);
    else if (iv == QLatin1String("n"))
        addSeconds(60);
    else if (iv == QLatin1String("h"))
        addSeconds(3600);
    else if (iv == QLatin1String("d") || iv == QLatin1String("y") || iv == QLatin1String("w"))
        addSeconds(86400);
    else if (iv == QLatin1String("ww"))
        addSeconds(7 * 86400);
    else if (iv == QLatin1String("m"))
        addMonths(n);
    else if (iv == QLatin1String("q"))
        addMonths(3 * n);
    else if (iv == QLatin1String("yyyy"))
        addMonths(12 * n);
    else
        Raise(errnum::InvalidProcedureCall);
    checkRange(r);
    return Variant::fromDate(r);
}

std::int64_t DateDiff(const QString& interval, const Variant& date1, const Variant& date2)
{
    const double a = date1.toDate();
    const double b = date2.toDate();
    const QString iv = interval.toLower();
    auto floorDiv = [](std::int64_t x, std::int64_t d) {
        std::int64_t q = x / d;
        if ((x % d != 0) && ((x < 0) != (d < 0))) --q;
        return q;
    };
    const std::int64_t sa = linearSeconds(a), sb = linearSeconds(b);
    const std::int64_t da = split(a).day, db = split(b).day;
    if (iv == QLatin1String("s")) return sb - sa;
    if (iv == QLatin1String("n")) return floorDiv(sb, 60) - floorDiv(sa, 60);
    if (iv == QLatin1String("h")) return floorDiv(sb, 3600) - floorDiv(sa, 3600);
    if (iv == QLatin1String("d") || iv == QLatin1String("y")) return db - da;
    if (iv == QLatin1String("w")) return (db - da) / 7;
    if (iv == QLatin1String("ww")) return floorDiv(db + 6, 7) - floorDiv(da + 6, 7);
    const QDate qa = kEpoch.addDays(da), qb = kEpoch.addDays(db);
    if (iv == QLatin1String("m")) return (qb.year() * 12 + qb.month()) - (qa.year() * 12 + qa.month());
    if (iv == QLatin1String("q"))
        return (qb.year() * 4 + (qb.month() - 1) / 3) - (qa.year() * 4 + (qa.month() - 1) / 3);
    if (iv == QLatin1String("yyyy")) return qb.year() - qa.year();
    Raise(errnum::InvalidProcedureCall);
}

} // namespace vb
