// "Import ESF" in the main dialog: the file is read, the project name shown and the model's
// message put in a box.
#include <QLabel>
#include <QTemporaryDir>

#include <fstream>

#include "pages/CDragTreeCtrl.h"
#include "support/DialogFixture.h"

namespace halvex::test {
namespace {

class EsfImportDialogTest : public DialogFixture {
protected:
    QString Write(const std::string& bytes) {
        const QString path = dir.filePath(QStringLiteral("import.esf"));
        std::ofstream(path.toStdString(), std::ios::binary) << bytes;
        return path;
    }
    QTemporaryDir dir;
};

TEST_F(EsfImportDialogTest, ShowsTheProjectTheTreeAndTheMessage) {
    Open(BuildKnxRecord({}), {}, {}, 1);
    ModalAnswerer answer;
    answer.Then(ModalAnswerer::Press("OK")).Then(ModalAnswerer::Press("OK"));
    ASSERT_TRUE(
        dlg->ImportEsfFile(Write("Project \xC4rger\r\n"
                                 "no tab here\r\n"
                                 "Light.Ground.1/0/12\tCeiling\t(1 Bit)\r\n")));
    EXPECT_EQ(dlg->findChild<QLabel*>("7027")->text(), QString::fromUtf8("Project Ärger"));
    EXPECT_EQ(Catalogue()->topLevelItem(0)->child(0)->child(0)->child(0)->text(0),
              "1/0/12 Ceiling");
    ASSERT_EQ(answer.Seen().size(), 1u);
    EXPECT_EQ(answer.Seen()[0].title, "Information");
    EXPECT_EQ(answer.Seen()[0].text,
              "1 Zeile(n) der Datei konnten nicht gelesen werden und wurden übersprungen.");
    // A refused file: a warning, and the catalogue stays.
    EXPECT_FALSE(dlg->ImportEsfFile(Write("")));
    ASSERT_EQ(answer.Seen().size(), 2u);
    EXPECT_EQ(answer.Seen()[1].title, "Achtung");
    EXPECT_NE(dlg->CatalogueItem(0x080C), nullptr);
    EXPECT_FALSE(dlg->ImportEsfFile(dir.filePath(QStringLiteral("missing.esf"))));
}

}  // namespace
}  // namespace halvex::test
