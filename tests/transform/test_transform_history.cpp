#include "transform/transform_history.h"

#include <gtest/gtest.h>

#include <map>
#include <set>

namespace {

TransformRecord at(int clipping, float x) {
    TransformRecord record;
    record.clipping = clipping;
    record.placement.translation = D3DXVECTOR3(x, 0, 0);
    return record;
}

// Clippings by number with their current state; some may be gone.
struct Scene {
    std::map<int, float> x;
    std::set<int> gone;
    TransformHistory history;

    // A transformation of `clipping` to `value`, recorded first as the rule says.
    void transform(int clipping, float value) {
        history.record(at(clipping, x[clipping]), currentState());
        x[clipping] = value;
    }
    TransformHistory::CurrentState currentState() {
        return [this](int clipping) -> std::optional<TransformRecord> {
            if (gone.count(clipping)) return std::nullopt;
            return at(clipping, x[clipping]);
        };
    }
    bool apply(const std::optional<TransformRecord>& record) {
        if (!record) return false;
        x[record->clipping] = record->placement.translation.x;
        return true;
    }
    bool undo() {
        return apply(history.undo([this](const TransformRecord& r) { return gone.count(r.clipping) == 0; },
                                  currentState()));
    }
    bool redo() { return apply(history.redo([this](const TransformRecord& r) { return gone.count(r.clipping) == 0; })); }
};

TEST(TransformHistory, UndoAndRedoWalkBackAndForthIncludingTheLastState) {
    Scene s;
    s.x = {{1, 0.0f}, {2, 0.0f}};
    EXPECT_FALSE(s.history.canUndo());
    s.transform(1, 10.0f);
    s.transform(2, 20.0f);
    s.transform(1, 30.0f);
    EXPECT_TRUE(s.history.canUndo());
    EXPECT_FALSE(s.history.canRedo());

    ASSERT_TRUE(s.undo());
    EXPECT_FLOAT_EQ(s.x[1], 10.0f);
    EXPECT_TRUE(s.history.canRedo());
    ASSERT_TRUE(s.undo());
    EXPECT_FLOAT_EQ(s.x[2], 0.0f);
    ASSERT_TRUE(s.undo());
    EXPECT_FLOAT_EQ(s.x[1], 0.0f);
    // The applied record is the first one: nothing older.
    EXPECT_FALSE(s.history.canUndo());
    EXPECT_FALSE(s.undo());

    // Redo comes all the way back, each image's change and the state after
    // the last change included.
    ASSERT_TRUE(s.redo());
    EXPECT_FLOAT_EQ(s.x[1], 10.0f);
    EXPECT_FLOAT_EQ(s.x[2], 0.0f);
    ASSERT_TRUE(s.redo());
    EXPECT_FLOAT_EQ(s.x[2], 20.0f);
    ASSERT_TRUE(s.redo());
    EXPECT_FLOAT_EQ(s.x[1], 30.0f);
    EXPECT_FLOAT_EQ(s.x[2], 20.0f);
    EXPECT_FALSE(s.history.canRedo());
    EXPECT_FALSE(s.redo());
}

TEST(TransformHistory, ANewTransformationDiscardsWhatCouldBeRedone) {
    Scene s;
    s.x = {{1, 0.0f}};
    s.transform(1, 10.0f);
    s.transform(1, 20.0f);
    ASSERT_TRUE(s.undo());
    EXPECT_FLOAT_EQ(s.x[1], 10.0f);
    s.transform(1, 99.0f);
    EXPECT_FALSE(s.history.canRedo());
    EXPECT_FALSE(s.redo());
    ASSERT_TRUE(s.undo());
    EXPECT_FLOAT_EQ(s.x[1], 10.0f);
    ASSERT_TRUE(s.redo());
    EXPECT_FLOAT_EQ(s.x[1], 99.0f);
}

TEST(TransformHistory, RecordsOfRemovedClippingsAreSkipped) {
    Scene s;
    s.x = {{1, 0.0f}, {2, 0.0f}};
    s.transform(1, 10.0f);
    s.transform(2, 20.0f);
    s.transform(1, 30.0f);
    s.gone.insert(2);
    ASSERT_TRUE(s.undo());
    EXPECT_FLOAT_EQ(s.x[1], 10.0f);
    // The record of clipping 2 is skipped on the way down.
    ASSERT_TRUE(s.undo());
    EXPECT_FLOAT_EQ(s.x[1], 0.0f);
    EXPECT_FALSE(s.history.canUndo());
    ASSERT_TRUE(s.redo());
    EXPECT_FLOAT_EQ(s.x[1], 10.0f);
    ASSERT_TRUE(s.redo());
    EXPECT_FLOAT_EQ(s.x[1], 30.0f);

    // Only records of a removed clipping: nothing to undo.
    Scene lonely;
    lonely.x = {{5, 0.0f}};
    lonely.transform(5, 1.0f);
    lonely.gone.insert(5);
    EXPECT_FALSE(lonely.undo());
    EXPECT_FALSE(lonely.history.canUndo());
}

TEST(TransformHistory, AKeyPressWithoutChangeAddsNoExtraStep) {
    Scene s;
    s.x = {{1, 0.0f}};
    s.transform(1, 10.0f);
    s.history.record(at(1, 10.0f), s.currentState());  // a gesture key went down, nothing moved
    ASSERT_TRUE(s.undo());
    EXPECT_FLOAT_EQ(s.x[1], 0.0f);
    ASSERT_TRUE(s.redo());
    EXPECT_FLOAT_EQ(s.x[1], 10.0f);
    EXPECT_FALSE(s.history.canRedo());
}

TEST(TransformHistory, KeepsABoundedNumberOfRecords) {
    TransformHistory history;
    const auto nothing = [](int) -> std::optional<TransformRecord> { return std::nullopt; };
    for (size_t i = 0; i < TransformHistory::kMaxRecords + 10; ++i)
        history.record(at(1, static_cast<float>(i)), nothing);
    EXPECT_EQ(history.size(), TransformHistory::kMaxRecords);
    EXPECT_FLOAT_EQ(history.before(0).placement.translation.x, 10.0f);
}

}  // namespace
