// Mask histories: push, undo and redo sequences, limits, button states and
// the list's lookup, parallel notification and texts.
#include "image/mask_undo.h"

#include <gtest/gtest.h>

namespace {

// The "state" of a mask in these tests: the value of pixel (1, 1).
int stateOf(const Image& mask) {
    return mask.pixel(1, 1).red;
}

void setState(Image& mask, int value) {
    auto v = static_cast<unsigned char>(value);
    mask.setPixel(1, 1, Rgb{v, v, v});
}

// An operation as the tools do it: snapshot first, then change.
void operate(MaskUndoStack& stack, int newState) {
    stack.push();
    setState(stack.mask(), newState);
}

struct CountingListener : MaskChangeListener {
    std::vector<const Image*> changed;
    void maskChanged(Image& mask) override { changed.push_back(&mask); }
};

}  // namespace

TEST(MaskUndoStack, LimitOneKeepsOnlyTheLastStep) {
    Image mask(8, 8);
    MaskUndoStack stack(mask, 1);
    operate(stack, 1);
    operate(stack, 2);
    operate(stack, 3);
    EXPECT_LE(stack.count(), 2);

    ASSERT_TRUE(stack.undo());
    EXPECT_EQ(stateOf(mask), 2);
    EXPECT_FALSE(stack.undoEnabled());
    EXPECT_TRUE(stack.redoEnabled());
    EXPECT_FALSE(stack.undo());
    EXPECT_EQ(stateOf(mask), 2);

    ASSERT_TRUE(stack.redo());
    EXPECT_EQ(stateOf(mask), 3);
    EXPECT_TRUE(stack.undoEnabled());
    EXPECT_FALSE(stack.redoEnabled());
}

TEST(MaskUndoStack, WalksBackAndForthWithinTheLimit) {
    Image mask(8, 8);
    MaskUndoStack stack(mask, 3);
    EXPECT_FALSE(stack.undoEnabled());
    EXPECT_FALSE(stack.redoEnabled());
    for (int state = 1; state <= 5; ++state) operate(stack, state);
    EXPECT_LE(stack.count(), 4);

    // Three older states are kept: 4, 3 and 2.
    for (int expected = 4; expected >= 2; --expected) {
        ASSERT_TRUE(stack.undo()) << expected;
        EXPECT_EQ(stateOf(mask), expected);
    }
    EXPECT_FALSE(stack.undoEnabled());
    EXPECT_FALSE(stack.undo());
    EXPECT_EQ(stateOf(mask), 2);

    for (int expected = 3; expected <= 5; ++expected) {
        ASSERT_TRUE(stack.redo()) << expected;
        EXPECT_EQ(stateOf(mask), expected);
    }
    EXPECT_FALSE(stack.redoEnabled());
    EXPECT_FALSE(stack.redo());
    EXPECT_EQ(stateOf(mask), 5);

    // A redo with nothing left must not turn the next undo into a no-op.
    ASSERT_TRUE(stack.undo());
    EXPECT_EQ(stateOf(mask), 4);
    EXPECT_GE(stack.position(), 0);
    EXPECT_LE(stack.position(), stack.count());
}

TEST(MaskUndoStack, UndoRightAfterAnOperationCanBeRedone) {
    Image mask(8, 8);
    MaskUndoStack stack(mask, 30);
    operate(stack, 7);
    ASSERT_TRUE(stack.undo());
    EXPECT_EQ(stateOf(mask), 0);
    EXPECT_TRUE(stack.redoEnabled());
    ASSERT_TRUE(stack.redo());
    EXPECT_EQ(stateOf(mask), 7);
}

TEST(MaskUndoStack, NewOperationDiscardsTheRedoRecords) {
    Image mask(8, 8);
    MaskUndoStack stack(mask, 30);
    operate(stack, 1);
    operate(stack, 2);
    ASSERT_TRUE(stack.undo());
    ASSERT_TRUE(stack.undo());
    EXPECT_EQ(stateOf(mask), 0);

    operate(stack, 9);
    EXPECT_TRUE(stack.undoEnabled());
    EXPECT_FALSE(stack.redoEnabled());
    EXPECT_FALSE(stack.redo());
    EXPECT_EQ(stateOf(mask), 9);
    ASSERT_TRUE(stack.undo());
    EXPECT_EQ(stateOf(mask), 0);
    EXPECT_FALSE(stack.undo());
}

TEST(MaskUndoStack, LimitZeroNeverLeavesTheValidPositions) {
    Image mask(8, 8);
    MaskUndoStack stack(mask, 0);
    operate(stack, 1);
    operate(stack, 2);
    EXPECT_FALSE(stack.undo());
    EXPECT_EQ(stateOf(mask), 2);
    EXPECT_EQ(stack.position(), 0);
    EXPECT_FALSE(stack.redo());
    operate(stack, 3);
    EXPECT_EQ(stack.count(), 1);
}

TEST(MaskUndoList, LookupPushAllAndParallelNotification) {
    MaskChangeNotifier notifier;
    CountingListener listener;
    notifier.addListener(&listener);
    MaskUndoList list(notifier, 30);
    Image a(8, 8);
    Image b(8, 8);
    Image unknown(8, 8);
    EXPECT_EQ(list.undo(&a, false), HistoryOutcome::NoImageLoaded);

    list.makeStack(a);
    list.makeStack(b);
    EXPECT_EQ(&list.makeStack(a), list.stackFor(&a)) << "one history per mask";
    EXPECT_EQ(list.stackCount(), 2);
    EXPECT_EQ(list.stackFor(&unknown), nullptr);

    list.pushAll(&a, false);
    EXPECT_EQ(list.stackFor(&a)->count(), 1);
    EXPECT_EQ(list.stackFor(&b)->count(), 0);
    EXPECT_TRUE(list.undoEnabled(&a));
    EXPECT_FALSE(list.undoEnabled(&b));
    EXPECT_FALSE(list.undoEnabled(nullptr));

    list.pushAll(&a, true);
    setState(a, 5);
    setState(b, 6);
    EXPECT_EQ(list.undo(&a, true), HistoryOutcome::Done);
    EXPECT_EQ(stateOf(a), 0);
    EXPECT_EQ(stateOf(b), 6) << "only the selected mask is restored";
    EXPECT_EQ(listener.changed, (std::vector<const Image*>{&a, &b}));

    listener.changed.clear();
    EXPECT_EQ(list.redo(&a, false), HistoryOutcome::Done);
    EXPECT_EQ(stateOf(a), 5);
    EXPECT_EQ(listener.changed, (std::vector<const Image*>{&a}));

    list.freeStack(a);
    EXPECT_EQ(list.stackFor(&a), nullptr);
    EXPECT_EQ(list.stackCount(), 1);
}

TEST(MaskUndoList, NoImageSelectedChangesNothing) {
    MaskChangeNotifier notifier;
    CountingListener listener;
    notifier.addListener(&listener);
    MaskUndoList list(notifier, 2);
    Image a(8, 8);
    list.makeStack(a);
    list.push(a);
    setState(a, 4);

    EXPECT_EQ(list.undo(nullptr, false), HistoryOutcome::NoImageSelected);
    EXPECT_EQ(list.redo(nullptr, true), HistoryOutcome::NoImageSelected);
    EXPECT_EQ(stateOf(a), 4);
    EXPECT_TRUE(listener.changed.empty());
    EXPECT_EQ(list.redo(&a, false), HistoryOutcome::NothingToDo);
    EXPECT_EQ(list.stackFor(&a)->limit(), 2);

    String name("image0");
    EXPECT_STREQ(undoStatusText(HistoryOutcome::NoImageSelected, name).text(),
                 "No image selected so no undo is possible.");
    EXPECT_STREQ(undoStatusText(HistoryOutcome::Done, name).text(), "Undo masking operation done on image image0.");
    EXPECT_STREQ(redoStatusText(HistoryOutcome::NothingToDo, name).text(),
                 "No undo done on image image0 so no redo is possible.");
    EXPECT_STREQ(redoButtonHelp(false).text(),
                 "Redo the last operation.\nNo undo done so redo is not possible or no image selected.");
}
