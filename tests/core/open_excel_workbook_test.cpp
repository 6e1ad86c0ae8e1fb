// OpenExcelWorkbook: the workbook of a path, shared while it is open, or the
// message that says why there is none.
#include "core/ModuleExcel.h"

#include "platform/excel/Excel.h"
#include "platform/files/XlsxWriter.h"
#include "support/ScriptedUi.h"

#include "files/WorkbookBiff.h"

#include <QFile>
#include <QTemporaryDir>

namespace {

class OpenExcelWorkbookTest : public ScriptedUiTest {
protected:
    void SetUp() override
    {
        ScriptedUiTest::SetUp();
        files::XlsxWriter::write(book(), {{"Calls", {{vb::Variant("Phone")}}}});
    }
    QString book() const { return dir.filePath(QStringLiteral("calls.xlsx")); }
    void writeFile(const QString& name, const QByteArray& bytes)
    {
        QFile f(dir.filePath(name));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(bytes);
    }
    QTemporaryDir dir;
};

TEST_F(OpenExcelWorkbookTest, AWorkbookAlreadyOpenIsReturnedAndNoSecondCopyOpened)
{
    const auto first = OpenExcelWorkbook(book(), false);
    ASSERT_TRUE(first);
    const auto second = OpenExcelWorkbook(first->FullName(), false);
    EXPECT_EQ(first, second);
    EXPECT_EQ(excel::Application::Instance().Workbooks().Count(), 1);
    EXPECT_EQ(excel::Application::Instance().ActiveWorkbook(), first);
    EXPECT_FALSE(excel::Application::Instance().Visible());
}

struct Refusal {
    const char* name;
    const char* file; // written into the folder, or nullptr for none
    QByteArray bytes;
    const char* message; // the box's text
    int style;
};

void PrintTo(const Refusal& r, std::ostream* os)
{
    *os << r.name;
}

class OpenExcelWorkbookRefusals : public OpenExcelWorkbookTest,
                                  public ::testing::WithParamInterface<Refusal> {};

TEST_P(OpenExcelWorkbookRefusals, ShowOneMessageAndGiveNoWorkbook)
{
    const Refusal& r = GetParam();
    QString path;
    if (r.file) {
        path = dir.filePath(QString::fromLatin1(r.file));
        if (!r.bytes.isEmpty()) writeFile(QString::fromLatin1(r.file), r.bytes);
    }
    scripted.expectMsgBox(ui::vbOK, QString::fromLatin1(r.message), r.style);
    EXPECT_EQ(OpenExcelWorkbook(path, false), nullptr);
    EXPECT_EQ(scripted.callsOf(ui::ScriptedServices::Kind::MsgBox).size(), 1u);
    EXPECT_EQ(excel::Application::Instance().Workbooks().Count(), 0);
}

INSTANTIATE_TEST_SUITE_P(
    Cases, OpenExcelWorkbookRefusals,
    ::testing::Values(Refusal{"NoFileName", nullptr, {}, "No File Name!", ui::vbExclamation},
                      Refusal{"MissingFile", "gone.xlsx", {}, "was not found.(53)", ui::vbOKOnly},
                      Refusal{"NotAWorkbook", "notes.xlsx", "Name,Phone\r\n",
                              "External table is not in the expected format.(3274)", ui::vbOKOnly},
                      Refusal{"Encrypted", "locked.xlsx",
                              wbtest::compoundFile(QStringLiteral("EncryptedPackage"), QByteArray(600, 'x')),
                              "is protected by a password and cannot be opened.(3031)", ui::vbOKOnly}),
    [](const ::testing::TestParamInfo<Refusal>& info) { return std::string(info.param.name); });

} // namespace
