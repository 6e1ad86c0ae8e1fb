// Long lists, whose numbers are looked up in runs spread over helper threads
// while the list is read and written: every record comes out in its place
// with the outcome it has alone, whatever area code, table or rule decides it.

#include "TextScrubFixture.h"

namespace {

struct LongListCase {
    const char* name;
    bool nacNotInDnc;
    bool listedTableMissing; // the window's list names phone555, which the store lacks
    bool marking;            // found records are marked rather than deleted
};

void PrintTo(const LongListCase& c, std::ostream* os)
{
    *os << c.name;
}

} // namespace

class TextScrubLongListTest : public TextScrubTest, public ::testing::WithParamInterface<LongListCase> {};

TEST_P(TextScrubLongListTest, EveryRecordOfALongListGetsTheOutcomeOfItsOwnNumber)
{
    const LongListCase& c = GetParam();
    job.settings.nacNotInDnc = c.nacNotInDnc;
    job.settings.deleteFound = !c.marking;
    job.settings.markAction = 1; // suffix
    if (c.listedTableMissing) gPhoneTables->Add(QStringLiteral("phone555"), QStringLiteral("phone555"));

    Expected e("Phone,Status\r\n");
    e.records = 3 * int(scrub::kTextScrubRun) + 4321; // more than the runs read ahead
    for (int i = 0; i < e.records; ++i) {
        QByteArray number;
        bool listed = false;
        switch (i % 5) {
        case 0: // a table with two of these numbers on it
            number = "201" + QByteArray::number(i % 3 == 0   ? 5551234
                                                : i % 3 == 1 ? 5559999
                                                             : 5550000 + i % 500);
            listed = i % 3 != 2;
            break;
        case 1:
            number = "973" + QByteArray::number(i % 2 == 0 ? 1234567 : 1234000 + i % 100);
            listed = i % 2 == 0;
            break;
        case 2: // no table
            number = "312" + QByteArray::number(5550000 + i % 9000);
            listed = c.nacNotInDnc;
            break;
        case 3: // no table in the store, whatever the window's list names
            number = "555" + QByteArray::number(1000000 + i % 7);
            listed = c.nacNotInDnc;
            break;
        default:
            number = i % 2 ? QByteArray("55") : QByteArray("(201) 555-1234");
            listed = !(i % 2);
            break;
        }
        const QByteArray phone = number;
        const QByteArray line = phone + ",r" + QByteArray::number(i) + "\r\n";
        e.list += line;
        const QByteArray digits =
            QByteArray(phone).replace("(", "").replace(")", "").replace(" ", "").replace("-", "");
        if (digits.size() != 10)
            e.unusable(line);
        else if (!listed)
            e.notFound(digits, line);
        else
            e.found(digits, c.marking ? phone + ",r" + QByteArray::number(i) + "DNC\r\n" : QByteArray());
    }
    runAndCheck(e);
}

INSTANTIATE_TEST_SUITE_P(
    LongLists, TextScrubLongListTest,
    ::testing::Values(LongListCase{"NumbersOfAreaCodesWithAndWithoutTables", false, false, false},
                      LongListCase{"TheNoTableRuleFindsTheNumbersWithoutATable", true, false, false},
                      LongListCase{"ATableTheListNamesButTheStoreLacksFindsNothing", true, true, false},
                      LongListCase{"FoundRecordsMarkedInTheirPlaces", false, false, true}),
    [](const auto& info) { return std::string(info.param.name); });
