// Drag and drop: URI lists, packages and routing to the view under the pointer.
#include <gtest/gtest.h>

#include "toolkit_test_support.h"

using namespace kgui;
using namespace kgui::test;

TEST(DragAndDrop, UriListDecoding) {
    struct Case {
        std::string list;
        std::vector<std::string> paths;
        const char* why;
    };
    const Case cases[] = {
        {"file:///home/me/kick.wav\r\n", {"/home/me/kick.wav"}, "one file, CRLF as the format has it"},
        {"file:///a.wav\nfile:///b.aif", {"/a.wav", "/b.aif"}, "several, last line without a newline"},
        {"file:///My%20Samples/caf%C3%A9.wav", {"/My Samples/caf\xC3\xA9.wav"}, "percent-decoding to UTF-8 bytes"},
        {"file://localhost/tmp/x.wav", {"/tmp/x.wav"}, "localhost is this machine"},
        {"# a comment\nfile:///x.wav", {"/x.wav"}, "comments skipped"},
        {"http://example.com/x.wav\nfile://otherhost/x.wav", {}, "other schemes and hosts skipped"},
        {"file:///bad%2", {}, "a cut escape is refused"},
        {"file:///bad%zz", {}, "a bad escape is refused"},
        {"file:///nul%00byte", {}, "an embedded zero is refused"},
        {"", {}, "empty"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(decodeUriList(c.list), c.paths) << c.why;
}

TEST(DragAndDrop, ContainerHelperWalksThePackage) {
    CFilePathPackage package({"/a.wav", "/b.wav", "/c.wav"});
    package.remember();
    CDragContainerHelper helper(&package);
    EXPECT_EQ(helper.getCount(), 3);
    std::vector<std::string> seen;
    int32 size = 0, type = 0;
    for (void* item = helper.first(size, type); item; item = helper.next(size, type)) {
        EXPECT_EQ(type, CDragContainerHelper::kFile);
        EXPECT_EQ(helper.getCurrentType(), CDragContainerHelper::kFile);
        seen.push_back(static_cast<const char*>(item));
        EXPECT_EQ(size_t(size), seen.back().size() + 1);
    }
    EXPECT_EQ(seen, (std::vector<std::string>{"/a.wav", "/b.wav", "/c.wav"}));
    EXPECT_EQ(helper.getType(7), CDragContainerHelper::kError);

    CDragContainerHelper empty(nullptr);
    EXPECT_EQ(empty.getCount(), 0);
    EXPECT_EQ(empty.first(size, type), nullptr);
}

namespace {
class DropView : public CView, public DropTargetAdapter {
public:
    explicit DropView(const CRect& size) : CView(size) {}
    IDropTarget* getDropTarget() override { return this; }
    DragOperation onDragEnter(DragEventData data) override {
        log.push_back("enter");
        enterPos = data.pos;
        if (CFrame* frame = getFrame())
            frame->setCursor(kCursorCopy);
        return DragOperation::Copy;
    }
    DragOperation onDragMove(DragEventData) override {
        log.push_back("move");
        return DragOperation::Move;
    }
    void onDragLeave(DragEventData) override {
        log.push_back("leave");
        if (CFrame* frame = getFrame())
            frame->setCursor(kCursorNotAllowed);
    }
    bool onDrop(DragEventData data) override {
        log.push_back("drop");
        CDragContainerHelper helper(data.drag);
        int32 size = 0, type = 0;
        for (void* item = helper.first(size, type); item; item = helper.next(size, type))
            if (type == CDragContainerHelper::kFile)
                dropped.push_back(static_cast<const char*>(item));
        return !dropped.empty();
    }
    std::vector<std::string> log;
    std::vector<std::string> dropped;
    CPoint enterPos;
};
}  // namespace

TEST(DragAndDrop, RoutedToTheViewUnderThePointer) {
    OffscreenFrame f(CRect(0, 0, 300, 200));
    auto* panel = new CViewContainer(CRect(100, 50, 300, 200));
    auto* target = new DropView(CRect(10, 10, 110, 110));
    auto* cover = new ProbeView(CRect(20, 20, 40, 40));  // accepts no drops: the drop falls through to its container chain
    panel->addView(target);
    panel->addView(cover);
    f.frame->addView(panel);

    // Dragging over, across and away from the view.
    EXPECT_EQ(f.target.dragFilesOver({"/x.wav"}, {150, 100}), DragOperation::Copy);
    EXPECT_EQ(target->enterPos, CPoint(50, 50)) << "in the view's parent coordinates";
    EXPECT_EQ(f.target.getCursor(), kCursorCopy);
    EXPECT_EQ(f.frame->platformOnDragMove(nullptr, {160, 100}, 0), DragOperation::Move);
    EXPECT_EQ(f.frame->platformOnDragMove(nullptr, {5, 5}, 0), DragOperation::None);
    EXPECT_EQ(target->log, (std::vector<std::string>{"enter", "move", "leave"}));
    EXPECT_EQ(f.target.getCursor(), kCursorNotAllowed);

    // Three files dropped: all reach the view.
    target->log.clear();
    EXPECT_TRUE(f.target.dropFiles({"/a.wav", "/b.wav", "/c.wav"}, {150, 100}));
    EXPECT_EQ(target->dropped, (std::vector<std::string>{"/a.wav", "/b.wav", "/c.wav"}));
    EXPECT_EQ(target->log.back(), "drop");

    // An empty package: the view answers false.
    target->dropped.clear();
    EXPECT_FALSE(f.target.dropFiles({}, {150, 100}));
    // Over a view without a drop target and no accepting ancestor: refused.
    EXPECT_FALSE(f.target.dropFiles({"/a.wav"}, {50, 50}));
    // Over the covering view: it accepts nothing, and its container does not either.
    EXPECT_FALSE(f.target.dropFiles({"/a.wav"}, {130, 80}));

    // The target leaving the tree mid-drag is forgotten, not called.
    f.target.dragFilesOver({"/x.wav"}, {150, 100});
    panel->removeView(target, true);
    EXPECT_EQ(f.frame->platformOnDragMove(nullptr, {150, 100}, 0), DragOperation::None);
    f.frame->platformOnDragLeave(nullptr, {150, 100}, 0);
}
