// VB filter texts become Qt name filters that select the same files.
#include "platform/ui/FileFilter.h"

#include <QDir>
#include <QRegularExpression>
#include <gtest/gtest.h>

namespace {

// The patterns Qt's file dialog takes from one entry: the text inside the
// last parentheses, separated by blanks.
QStringList patternsOf(const QString& entry)
{
    const auto m = QRegularExpression(QStringLiteral("\\(([^()]*)\\)$")).match(entry);
    return m.hasMatch() ? m.captured(1).split(QLatin1Char(' '), Qt::SkipEmptyParts) : QStringList{};
}

bool entryMatches(const QString& entry, const QString& fileName)
{
    for (const QString& pattern : patternsOf(entry))
        if (QDir::match(pattern, fileName)) return true;
    return false;
}

} // namespace

TEST(FileFilter, ConvertsTheTextFileFilterOfTheSourcePanel)
{
    EXPECT_EQ(ui::ConvertVbFilter("Text File (*.txt,*csv)|*.txt;*.csv|All File (*.*)|*.*"),
              "Text File (*.txt,*csv) (*.txt *.csv);;All File (*.*) (*)");
}

TEST(FileFilter, AllFilesMatchesNamesWithoutExtension)
{
    const QStringList entries = ui::ConvertVbFilterList("Text File (*.txt)|*.txt|All Files (*.*)|*.*");
    ASSERT_EQ(entries.size(), 2);
    EXPECT_TRUE(entryMatches(entries.at(1), "README"));
    EXPECT_TRUE(entryMatches(entries.at(1), "list.csv"));
    EXPECT_TRUE(entryMatches(entries.at(1), ".hidden"));
    EXPECT_FALSE(entryMatches(entries.at(0), "README"));
}

TEST(FileFilter, EachEntrySelectsOnlyItsOwnPatterns)
{
    const QStringList entries =
        ui::ConvertVbFilterList("Text File (*.txt,*csv)|*.txt;*.csv|All File (*.*)|*.*");
    ASSERT_EQ(entries.size(), 2);
    EXPECT_TRUE(entryMatches(entries.at(0), "calls.txt"));
    EXPECT_FALSE(entryMatches(entries.at(0), "calls.xls"));
}

TEST(FileFilter, TrailingSeparatorsGiveNoEmptyPatterns)
{
    EXPECT_EQ(ui::ConvertVbFilterList("Excel File (*.xls)|*.xls;|All File (*.*)|*.*"),
              (QStringList{"Excel File (*.xls)", "All File (*.*) (*)"}));
    EXPECT_EQ(ui::ConvertVbFilterList("Microsoft Access MDBs (*.mdb)|*.mdb|"),
              (QStringList{"Microsoft Access MDBs (*.mdb)"}));
}

TEST(FileFilter, EmptyFilterAndCaptionWithoutPatterns)
{
    EXPECT_EQ(ui::ConvertVbFilter(""), "");
    EXPECT_EQ(ui::ConvertVbFilterList("Anything"), QStringList{"Anything (*)"});
}

TEST(FileFilter, ACaptionShowingItsPatternsIsNotRepeated)
{
    EXPECT_EQ(ui::ConvertVbFilter("Input Files (*.txt)|*.txt|All Files (*.*)|*.*"),
              "Input Files (*.txt);;All Files (*.*) (*)");
    const QStringList excel =
        ui::ConvertVbFilterList("Excel File (*.xls *.xlsx)|*.xls;*.xlsx|All File (*.*)|*.*");
    EXPECT_EQ(excel.at(0), "Excel File (*.xls *.xlsx)");
    EXPECT_TRUE(entryMatches(excel.at(0), "calls.xls"));
    EXPECT_TRUE(entryMatches(excel.at(0), "calls.xlsx"));
    EXPECT_FALSE(entryMatches(excel.at(0), "calls.csv"));
}
