// The tree control as a view: drags and drops by position, keys, the label editor, and the
// model's changes reaching the items.
#include <QDragEnterEvent>
#include <QLineEdit>
#include <QMimeData>
#include <QScrollBar>
#include <QTabBar>
#include <QTest>

#include "engine/ModuleState.h"
#include "qt/CDragTreeCtrl.h"
#include "qt/CPageTabCtrl.h"
#include "support/DialogFixture.h"

namespace halvex::test {
namespace {

class DragTreeTest : public DialogFixture {
protected:
    // Starts a drag of `item` the way OnBeginDrag records it, without the modal drag loop.
    static void Pick(CDragTreeCtrl* tree, QTreeWidgetItem* item) {
        tree->SelectItem(item);
        CDragTreeCtrl::SetDragSource(tree);
    }
    // Drag-over at the centre of `item`.
    static DropEffect DragOver(CDragTreeCtrl* target, QTreeWidgetItem* item) {
        target->scrollToItem(item);
        return target->DropTarget().OnDragOver(target, target->visualItemRect(item).center());
    }
};

// A drag starts only from a draggable item; near the edge the target scrolls; a drop lands by
// position and shows the model's copy.
TEST_F(DragTreeTest, DragStartScrollAndDropByPosition) {
    KnxRecordPlan plan;
    plan.mains = {{1, 0x00010090, "1 Light"}};
    plan.middles = {{10, 0x000A0050, "2 Floor"}};
    plan.groups = {{0x0A03, 0x0A0300F0, "1/2/3 Hand"}, {0x0A05, 0x0A050027, "1/2/5 Byte"}};
    Open(BuildKnxRecord(plan), {"Morning", "Evening"});
    CDragTreeCtrl::SetDragSource(nullptr);
    Catalogue()->OnBeginDrag(Catalogue()->topLevelItem(0)->child(0));  // a main group
    EXPECT_EQ(CDragTreeCtrl::DragSource(), nullptr);
    dlg->show();
    QTabBar* bar = dlg->PageTabs()->TabBar();
    QTest::mouseClick(bar, Qt::LeftButton, {}, bar->tabRect(2).center());
    CDragTreeCtrl* dimmer = PageTree(2);
    Pick(Catalogue(), dlg->CatalogueItem(0x0A03));
    const int before = dimmer->verticalScrollBar()->value();
    const QRect r = dimmer->viewport()->rect();
    dimmer->DropTarget().OnDragOver(dimmer, QPoint(r.center().x(), r.bottom() - 5));
    EXPECT_EQ(dimmer->verticalScrollBar()->value(),
              before + dimmer->verticalScrollBar()->singleStep());
    QTreeWidgetItem* bit5 = dimmer->topLevelItem(12);
    QTreeWidgetItem* byte5 = dimmer->topLevelItem(14);
    Pick(Catalogue(), dlg->CatalogueItem(0x0A05));  // a 1-byte address
    EXPECT_EQ(DragOver(dimmer, bit5), DropEffect::None);
    EXPECT_EQ(dimmer->DropHighlight(), bit5);
    // The drop itself as Qt delivers it: enter, move and drop events on the viewport.
    dimmer->scrollToItem(byte5);
    const QPointF at = dimmer->visualItemRect(byte5).center();
    QMimeData mime;
    mime.setData(QStringLiteral("application/x-halvex-drag"), {});
    QDragEnterEvent enter(at.toPoint(), Qt::LinkAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QDragMoveEvent move(at.toPoint(), Qt::LinkAction, &mime, Qt::LeftButton, Qt::NoModifier);
    QDropEvent drop(at, Qt::LinkAction, &mime, Qt::LeftButton, Qt::NoModifier);
    for (QEvent* event : std::initializer_list<QEvent*>{&enter, &move, &drop}) {
        QApplication::sendEvent(dimmer->viewport(), event);
        EXPECT_TRUE(event->isAccepted()) << event->type();
    }
    EXPECT_EQ(dimmer->DropHighlight(), nullptr);
    EXPECT_TRUE(byte5->isExpanded());
    ASSERT_EQ(byte5->childCount(), 1);
    QTreeWidgetItem* child = byte5->child(0);
    EXPECT_EQ(child->text(0), "1/2/5 Byte");
    EXPECT_EQ(CDragTreeCtrl::ItemData(child), 0x0A050037u);
    EXPECT_EQ(CDragTreeCtrl::Image(child), 3);
    EXPECT_EQ(dimmer->NodeOf(child), dlg->Model().Page(2)->tree.TopLevel(14)->Child(0));
    // Delete on the page: the key reaches the model, and the item goes with the node.
    dimmer->SelectItem(child);
    QTest::keyClick(dimmer, Qt::Key_Delete);
    EXPECT_EQ(byte5->childCount(), 0);
    EXPECT_EQ(dlg->Model().Page(2)->tree.TopLevel(14)->ChildCount(), 0u);
}

TEST_F(DragTreeTest, EditorKeepsALongLabelWholeAndLimitsOnlyTyping) {
    Open(ThreeTransmitterRecord(), {"Morning"});
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
    // Typing stops at 40 characters; the new name reaches the pages.
    edit(QString(45, QLatin1Char('x')));
    EXPECT_EQ(unnamed->text(0), QString(40, QLatin1Char('x')));
    EXPECT_EQ(PageTree(2)->topLevelItem(2)->child(0)->text(0), QString(40, QLatin1Char('x')));
}

}  // namespace
}  // namespace halvex::test
