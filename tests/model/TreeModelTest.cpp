// The tree under every list of the dialog: sorted insertion and what its observer hears.
#include "model/TreeModel.h"
#include "support/ModelFixture.h"

namespace halvex::test {
namespace {

struct Recorder : TreeObserver {
    std::string log;
    void NodeInserted(TreeNode* node, size_t at) override {
        log += "+" + node->label + "@" + std::to_string(at) + "|";
    }
    void NodeRemoving(TreeNode* node) override { log += "-" + node->label + "|"; }
    void NodeChanged(TreeNode* node) override { log += "~" + node->label + "|"; }
    void TreeReset() override { log += "reset|"; }
};

TEST(TreeModel, SortedInsertionIgnoresAsciiCaseAndTellsTheObserver) {
    TreeModel tree;
    Recorder recorder;
    tree.SetObserver(&recorder);
    TreeNode* root = tree.Insert(nullptr, "Root", InsertAt::Last, 1, 1, 0);
    for (const char* label : {"2 Light", "10 Heating", "b blinds", "A Alarm", "2 light"})
        tree.Insert(root, label, InsertAt::Sorted, 0, 0, 0);
    EXPECT_EQ(Labels(root), "10 Heating|2 Light|2 light|A Alarm|b blinds");
    TreeNode* heating = root->Child(0);
    tree.Insert(heating, "x", InsertAt::Last, 0, 0, 7);
    tree.SetLabel(heating, "10 Heat");
    tree.Remove(heating);
    EXPECT_EQ(root->ChildCount(), 4u);
    EXPECT_EQ(recorder.log,
              "+Root@0|+2 Light@0|+10 Heating@0|+b blinds@2|+A Alarm@2|+2 light@2|+x@0|~10 Heat|"
              "-10 Heat|");
    EXPECT_EQ(tree.IndexOf(root->Child(3)), 3u);
    // A reset tells the observer once, after the whole change.
    recorder.log.clear();
    tree.Reset([&] {
        tree.Clear();
        tree.Insert(nullptr, "New", InsertAt::Last, 0, 0, 0);
    });
    EXPECT_EQ(recorder.log, "reset|");
    EXPECT_EQ(tree.TopLevelCount(), 1u);
}

}  // namespace
}  // namespace halvex::test
