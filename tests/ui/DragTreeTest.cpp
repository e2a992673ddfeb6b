// Drag and drop between trees, the Delete key, and transmitter editing.
#include <QLineEdit>
#include <QScrollBar>
#include <QTest>

#include <cstring>

#include "pages/CDragTreeCtrl.h"
#include "pages/CPageTabCtrl.h"
#include "plugin/ModuleState.h"
#include "support/ByteDiff.h"
#include "support/DialogFixture.h"

namespace halvex::test {
namespace {

class DragTreeTest : public DialogFixture {
protected:
    // Starts a drag of `item` the way OnBeginDrag records it, without the modal drag loop.
    void Pick(CDragTreeCtrl* tree, QTreeWidgetItem* item) {
        tree->SelectItem(item);
        Module().DragSourceTree = tree;
    }
    // Drag-over at the centre of `item`, then drop when accepted.
    DropEffect DragOver(CDragTreeCtrl* target, QTreeWidgetItem* item) {
        target->scrollToItem(item);
        const QPoint at = target->visualItemRect(item).center();
        return target->DropTarget().OnDragOver(target, at);
    }
    bool DropOn(CDragTreeCtrl* target, QTreeWidgetItem* item) {
        return DragOver(target, item) == DropEffect::Link && target->DropTarget().OnDrop(target);
    }
    void ShowPage(int slot) {
        dlg->show();
        CPageTabCtrl* tabs = dlg->PageTabs();
        QWidget* page = tabs->Page(slot);
        for (int s = 0; s < CPageTabCtrl::kPageCount; ++s) {
            if (tabs->PageCreated(s))
                tabs->Page(s)->setVisible(s == slot);
        }
        page->resize(400, 400);
        QApplication::processEvents();
    }

    static KnxRecordPlan Catalogue3() {
        KnxRecordPlan plan;
        plan.mains = {{1, 0x00010090, "1 Light"}};
        plan.middles = {{10, 0x000A0050, "2 Floor"}};
        plan.groups = {{0x0A03, 0x0A0300F0, "1/2/3 Hand"},
                       {0x0A04, 0x0A040020, "1/2/4 Imported"},
                       {0x0A05, 0x0A050027, "1/2/5 Byte"},
                       {0x0A06, 0x0A0600FF, "1/2/6 NoSize"}};
        return plan;
    }
};

TEST_F(DragTreeTest, DropCopiesTheEntryWithItsDataAndTheAddedBit) {
    Open(BuildKnxRecord(Catalogue3()), {"Morning", "Evening"});
    ShowPage(0);
    CDragTreeCtrl* scenes = Module().SceneTree1;
    Pick(Catalogue(), dlg->GroupAddressTable[0x0A03].item);
    ASSERT_TRUE(DropOn(scenes, scenes->topLevelItem(0)));
    QTreeWidgetItem* child = scenes->topLevelItem(0)->child(0);
    EXPECT_EQ(child->text(0), "1/2/3 Hand");
    EXPECT_EQ(CDragTreeCtrl::ItemData(child), 0x0A0300F0u);
    EXPECT_EQ(CDragTreeCtrl::Image(child), 3);
    // Same text twice on one output is refused; another output accepts it.
    EXPECT_EQ(DragOver(scenes, scenes->topLevelItem(0)), DropEffect::None);
    EXPECT_TRUE(DropOn(scenes, scenes->topLevelItem(1)));
    Pick(Catalogue(), dlg->GroupAddressTable[0x0A04].item);
    ASSERT_TRUE(DropOn(scenes, scenes->topLevelItem(0)));
    EXPECT_EQ(CDragTreeCtrl::ItemData(scenes->topLevelItem(0)->child(1)), 0x0A040030u);
}

TEST_F(DragTreeTest, DragOverRefusesWrongTargets) {
    Open(BuildKnxRecord(Catalogue3()), {"Morning"});
    ShowPage(2);
    CDragTreeCtrl* dimmer = Module().DimmerTree1;
    QTreeWidgetItem* bit5 = dimmer->topLevelItem(12);
    QTreeWidgetItem* nibble5 = dimmer->topLevelItem(13);
    QTreeWidgetItem* byte5 = dimmer->topLevelItem(14);
    ASSERT_EQ(byte5->text(0), "1byte DMX Ch. 5");
    Pick(Catalogue(), dlg->GroupAddressTable[0x0A05].item);  // a 1-byte address
    EXPECT_EQ(DragOver(dimmer, bit5), DropEffect::None);
    EXPECT_EQ(DragOver(dimmer, nibble5), DropEffect::None);
    ASSERT_EQ(DragOver(dimmer, byte5), DropEffect::Link);
    ASSERT_TRUE(dimmer->DropTarget().OnDrop(dimmer));
    // Onto an assignment (a child) and onto the source tree itself: refused.
    Pick(Catalogue(), dlg->GroupAddressTable[0x0A03].item);
    EXPECT_EQ(DragOver(dimmer, byte5->child(0)), DropEffect::None);
    dlg->show();
    EXPECT_EQ(DragOver(Catalogue(), Catalogue()->topLevelItem(0)), DropEffect::None);
    // No size text (type 15) fits nowhere.
    Pick(Catalogue(), dlg->GroupAddressTable[0x0A06].item);
    for (QTreeWidgetItem* item : {bit5, nibble5, byte5}) {
        EXPECT_EQ(DragOver(dimmer, item), DropEffect::None);
    }
}

TEST_F(DragTreeTest, ScriptedAssignmentTakesTheSameDecisions) {
    Open(BuildKnxRecord(Catalogue3()), {"Morning"});
    EXPECT_TRUE(dlg->AssignEntry(2, 14, 0x0A05));   // 1-byte address on "1byte DMX Ch. 5"
    EXPECT_FALSE(dlg->AssignEntry(2, 12, 0x0A05));  // not on the 1-bit output
    EXPECT_FALSE(dlg->AssignEntry(2, 14, 0x0A05));  // not twice on one output
    EXPECT_FALSE(dlg->AssignEntry(2, 14, 0x0B00));  // no such entry
    EXPECT_FALSE(dlg->AssignEntry(6, 0, 0x0A05));   // the network page has no outputs
    EXPECT_EQ(CDragTreeCtrl::ItemData(Module().DimmerTree1->topLevelItem(14)->child(0)),
              0x0A050037u);
}

TEST_F(DragTreeTest, DragStartsOnlyFromDraggableItems) {
    Open(BuildKnxRecord(Catalogue3()), {"Morning"});
    Module().DragSourceTree = nullptr;
    Catalogue()->OnBeginDrag(dlg->MainGroupTable[1].item);
    EXPECT_EQ(Module().DragSourceTree, nullptr);
}

TEST_F(DragTreeTest, HoverNearTheBottomScrollsOneLine) {
    Open(BuildKnxRecord(Catalogue3()), {"Morning"});
    ShowPage(2);
    CDragTreeCtrl* dimmer = Module().DimmerTree1;
    Pick(Catalogue(), dlg->GroupAddressTable[0x0A03].item);
    const int before = dimmer->verticalScrollBar()->value();
    const QRect r = dimmer->viewport()->rect();
    dimmer->DropTarget().OnDragOver(dimmer, QPoint(r.center().x(), r.bottom() - 5));
    EXPECT_EQ(dimmer->verticalScrollBar()->value(),
              before + dimmer->verticalScrollBar()->singleStep());
}

TEST_F(DragTreeTest, DeleteRulesForCatalogueAndPages) {
    KnxRecordPlan plan = Catalogue3();
    plan.scenes = 1;
    plan.pairs = {{0, 0x0A03}};  // the hand-made address is assigned on Scene Out 1
    Open(BuildKnxRecord(plan), {"Morning"});
    ShowPage(0);
    CDragTreeCtrl* scenes = Module().SceneTree1;
    QTreeWidgetItem* loaded = scenes->topLevelItem(0)->child(0);
    ASSERT_NE(loaded, nullptr);
    EXPECT_EQ(CDragTreeCtrl::ItemData(loaded), 0x0A030010u);

    // Referenced on a page: Delete in the catalogue does nothing.
    Catalogue()->SelectItem(dlg->GroupAddressTable[0x0A03].item);
    Catalogue()->OnKeyDown(Qt::Key_Delete);
    ASSERT_NE(dlg->GroupAddressTable[0x0A03].item, nullptr);

    // A dropped hand-made address (kind 0xC0) is still removable from the page.
    Pick(Catalogue(), dlg->GroupAddressTable[0x0A03].item);
    scenes->topLevelItem(0)->removeChild(loaded);
    delete loaded;
    ASSERT_TRUE(DropOn(scenes, scenes->topLevelItem(0)));
    scenes->SelectItem(scenes->topLevelItem(0)->child(0));
    scenes->OnKeyDown(Qt::Key_Delete);
    EXPECT_EQ(scenes->topLevelItem(0)->childCount(), 0);

    // Now unreferenced: the catalogue entry goes, and its number can be added again.
    Catalogue()->SelectItem(dlg->GroupAddressTable[0x0A03].item);
    Catalogue()->OnKeyDown(Qt::Key_Delete);
    EXPECT_EQ(dlg->GroupAddressTable[0x0A03].item, nullptr);
    EXPECT_TRUE(dlg->GroupAddressTable[0x0A03].label.isEmpty());

    // Imported entries, groups with children, outputs and the root stay.
    for (QTreeWidgetItem* keep : {dlg->GroupAddressTable[0x0A04].item,
                                  dlg->MiddleGroupTable[10].item, Catalogue()->topLevelItem(0)}) {
        Catalogue()->SelectItem(keep);
        Catalogue()->OnKeyDown(Qt::Key_Delete);
    }
    EXPECT_NE(dlg->GroupAddressTable[0x0A04].item, nullptr);
    EXPECT_NE(dlg->MiddleGroupTable[10].item, nullptr);
    scenes->SelectItem(scenes->topLevelItem(0));
    scenes->OnKeyDown(Qt::Key_Delete);
    EXPECT_EQ(scenes->topLevelItemCount(), 1);
}

TEST_F(DragTreeTest, CopiesOnTheCatalogueNeverEmptyTheOriginalsSlot) {
    Open(BuildKnxRecord(Catalogue3()), {"Morning"});
    ShowPage(0);
    CDragTreeCtrl* scenes = Module().SceneTree1;
    QTreeWidgetItem* original = dlg->GroupAddressTable[0x0A03].item;
    QTreeWidgetItem* root = Catalogue()->topLevelItem(0);
    Pick(Catalogue(), original);
    ASSERT_TRUE(DropOn(scenes, scenes->topLevelItem(0)));
    // The assignment dragged back onto the catalogue root becomes a copy there.
    Pick(scenes, scenes->topLevelItem(0)->child(0));
    ASSERT_TRUE(DropOn(Catalogue(), root));
    QTreeWidgetItem* copy = root->child(root->childCount() - 1);
    ASSERT_EQ(ItemNumber(CDragTreeCtrl::ItemData(copy)), 0x0A03);
    scenes->OnKeyDown(Qt::Key_Delete);
    ASSERT_EQ(scenes->topLevelItem(0)->childCount(), 0);

    Catalogue()->SelectItem(copy);
    Catalogue()->OnKeyDown(Qt::Key_Delete);
    EXPECT_EQ(dlg->GroupAddressTable[0x0A03].item, original);
    EXPECT_EQ(dlg->GroupAddressTable[0x0A03].label, QStringLiteral("1/2/3 Hand"));

    // The other way round: the original goes, its copy takes the slot and is stored.
    Pick(Catalogue(), original);
    ASSERT_TRUE(DropOn(scenes, scenes->topLevelItem(0)));
    Pick(scenes, scenes->topLevelItem(0)->child(0));
    ASSERT_TRUE(DropOn(Catalogue(), root));
    copy = root->child(root->childCount() - 1);
    scenes->OnKeyDown(Qt::Key_Delete);
    Catalogue()->SelectItem(original);
    Catalogue()->OnKeyDown(Qt::Key_Delete);
    EXPECT_EQ(dlg->GroupAddressTable[0x0A03].item, copy);
    const std::vector<uint8_t> stored = PressOk();
    TearDown();
    Open(stored, {"Morning"});
    EXPECT_NE(dlg->GroupAddressTable[0x0A03].item, nullptr);
}

class TransmitterTest : public DragTreeTest {
protected:
    void OpenThree() {
        const std::vector<Transmitter> rows = {{"Switch A", 5, 0x30, 0x10000000, 0x100},
                                               {"", 0xF6, 0x30, 0x30000000, 0x001A2B3C},
                                               {"Switch C", 5, 0x20, 0x50000000, 0x300}};
        Open(BuildEnOceanRecord(rows, {{1, 0, 1}, {2, 0, 1}, {1, 2, 3}}), {"Morning"});
    }
};

TEST_F(TransmitterTest, DeletingATransmitterMovesRowsAndRenumbersAssignments) {
    OpenThree();
    CDragTreeCtrl* scenes = Module().SceneTree1;
    ASSERT_EQ(scenes->topLevelItem(0)->childCount(), 2);
    EXPECT_EQ(CDragTreeCtrl::ItemData(scenes->topLevelItem(0)->child(1)), 0x00020010u);
    Catalogue()->SelectItem(Catalogue()->topLevelItem(1));
    Catalogue()->OnKeyDown(Qt::Key_Delete);

    ModuleState& m = Module();
    EXPECT_EQ(m.TransmitterCount, 2);
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(m.TransmitterTable.data() + 70)),
              "Switch C");
    EXPECT_EQ(m.TransmitterTable[140], 0);  // the freed row is zero
    ASSERT_EQ(Catalogue()->topLevelItemCount(), 2);
    EXPECT_EQ(CDragTreeCtrl::ItemData(Catalogue()->topLevelItem(1)), 0x00010020u);
    ASSERT_EQ(scenes->topLevelItem(0)->childCount(), 1);
    EXPECT_EQ(CDragTreeCtrl::ItemData(scenes->topLevelItem(0)->child(0)), 0x00010010u);
    EXPECT_EQ(m.DimmerTree1->topLevelItem(2)->childCount(), 0);
}

TEST_F(TransmitterTest, EditorKeepsALongLabelWholeAndLimitsOnlyTyping) {
    OpenThree();
    dlg->show();
    QTreeWidgetItem* unnamed = Catalogue()->topLevelItem(1);
    const QString telegram = unnamed->text(0);
    ASSERT_GT(telegram.size(), 40);
    auto edit = [&](const QString& typed) {
        Catalogue()->SelectItem(unnamed);
        Catalogue()->editItem(unnamed);
        auto* editor = Catalogue()->findChild<QLineEdit*>();
        EXPECT_EQ(editor->text(), unnamed->text(0));
        if (!typed.isEmpty()) {
            editor->selectAll();
            QTest::keyClicks(editor, typed);
        }
        QTest::keyClick(editor, Qt::Key_Return);
        QApplication::processEvents();  // the commit is queued
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    };
    // Enter without typing stores nothing: the row keeps its empty name.
    edit({});
    EXPECT_EQ(unnamed->text(0), telegram);
    EXPECT_EQ(Module().TransmitterTable[70], 0);
    // Typing stops at 40 characters.
    edit(QString(45, QLatin1Char('x')));
    EXPECT_EQ(unnamed->text(0), QString(40, QLatin1Char('x')));
}

TEST_F(TransmitterTest, ClearingALabelShowsTheTelegramAndRenamesAssignments) {
    OpenThree();
    QTreeWidgetItem* item = Catalogue()->topLevelItem(0);
    Catalogue()->OnEndLabelEdit(item, QString());
    EXPECT_EQ(item->text(0), "ID:0x100 ORG:0x5 Data:0x10000000 Status:0x30");
    EXPECT_EQ(Module().TransmitterTable[0], 0);
    Catalogue()->OnEndLabelEdit(Catalogue()->topLevelItem(1), QStringLiteral("Küche"));
    EXPECT_EQ(std::string(reinterpret_cast<const char*>(Module().TransmitterTable.data() + 70)),
              "Küche");
    EXPECT_EQ(Module().DimmerTree1->topLevelItem(2)->child(0)->text(0), "Küche");
    // A name longer than the 59-byte field is cut at a character boundary.
    Catalogue()->OnEndLabelEdit(Catalogue()->topLevelItem(1), QString(40, QChar(0x00FC)));
    EXPECT_EQ(std::strlen(reinterpret_cast<const char*>(Module().TransmitterTable.data() + 70)),
              58u);
}

}  // namespace
}  // namespace halvex::test
