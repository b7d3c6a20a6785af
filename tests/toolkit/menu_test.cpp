// Option menus: entry conventions, current index, and the pop-up through the
// off-screen provider.
#include <gtest/gtest.h>

#include <cstring>

#include "toolkit_test_support.h"

using namespace kgui;
using namespace kgui::test;

TEST(OptionMenu, EntryTitleConventions) {
    struct Case {
        const char* title;
        bool separator;
        bool enabled;
        const char* shown;
        const char* why;
    };
    const Case cases[] = {
        {"-", true, true, "", "a lone minus is a separator"},
        {"--", false, true, "--", "two minus signs are a plain entry"},
        {"-X", false, true, "-X", "minus and another letter: plain"},
        {"-G", false, false, "", "-G alone: disabled, empty title"},
        {"-GFilter Type", false, false, "Filter Type", "-G and a name: disabled, shows the name"},
        {"-g lower", false, true, "-g lower", "only a capital G disables"},
        {"", false, true, "", "the empty title is a plain entry"},
        {"1/4 QB", false, true, "1/4 QB", "ordinary text"},
    };
    COptionMenu menu(CRect(0, 0, 16, 16), nullptr, 9999);
    menu.remember();
    for (const auto& c : cases) {
        CMenuItem* item = menu.addEntry(c.title);
        ASSERT_NE(item, nullptr) << c.why;
        EXPECT_EQ(item->isSeparator(), c.separator) << c.why;
        EXPECT_EQ(item->isEnabled(), c.enabled) << c.why;
        EXPECT_EQ(item->getTitle(), c.shown) << c.why;
    }
    EXPECT_EQ(menu.getNbEntries(), 8);
    EXPECT_EQ(menu.getMax(), 7.0f);

    // Flags given with the title are kept; -G adds the disabled flag to them.
    CMenuItem* checked = menu.addEntry("-GChecked", -1, CMenuItem::kChecked);
    EXPECT_TRUE(checked->isChecked());
    EXPECT_FALSE(checked->isEnabled());

    // Inserting at an index.
    menu.addEntry("First", 0);
    EXPECT_EQ(menu.getEntry(0)->getTitle(), "First");
    EXPECT_TRUE(menu.getEntry(1)->isSeparator());
    EXPECT_EQ(menu.getEntry(-1), nullptr);
    EXPECT_EQ(menu.getEntry(menu.getNbEntries()), nullptr);
}

TEST(OptionMenu, SetEntryRetitlesEnablesAndDisables) {
    COptionMenu menu(CRect(0, 0, 16, 16), nullptr, 9999);
    menu.remember();
    menu.addEntry("Chorus");
    menu.addEntry("Flanger");

    menu.setEntry(0, "-GChorus (busy)");
    EXPECT_FALSE(menu.getEntry(0)->isEnabled());
    EXPECT_EQ(menu.getEntry(0)->getTitle(), "Chorus (busy)");
    menu.setEntry(0, "Chorus");
    EXPECT_TRUE(menu.getEntry(0)->isEnabled());
    EXPECT_EQ(menu.getEntry(0)->getTitle(), "Chorus");
    menu.setEntry(1, nullptr);
    EXPECT_EQ(menu.getEntry(1)->getTitle(), "");
    EXPECT_TRUE(menu.getEntry(1)->isEnabled());
    menu.setEntry(1, "-");
    EXPECT_EQ(menu.getEntry(1)->getTitle(), "-") << "setEntry only retitles";

    // Out of range changes nothing.
    menu.setEntry(2, "Nope");
    menu.setEntry(-1, "Nope");
    EXPECT_EQ(menu.getNbEntries(), 2);
    EXPECT_EQ(menu.getEntry(0)->getTitle(), "Chorus");
}

TEST(OptionMenu, CurrentIndexWithAndWithoutSeparators) {
    COptionMenu menu(CRect(0, 0, 16, 16), nullptr, 9999);
    menu.remember();
    char buffer[256];
    std::memset(buffer, 0, sizeof(buffer));

    // Empty menu: no current entry, nothing copied.
    EXPECT_EQ(menu.getCurrentIndex(true), -1);
    EXPECT_EQ(menu.getCurrent(buffer, false), -1);
    EXPECT_EQ(buffer[0], 0);
    EXPECT_EQ(menu.getCurrent(), nullptr);

    for (const char* title : {"A", "-", "B", "C", "-", "D"})
        menu.addEntry(title);
    EXPECT_EQ(menu.getCurrentIndex(), -1) << "a new menu has no current entry";

    struct Case {
        float value;
        int32 withSeparators;
        int32 withoutSeparators;
        const char* title;
    };
    const Case cases[] = {
        {0, 0, 0, "A"}, {2, 2, 1, "B"}, {3.9f, 3, 2, "C"}, {5, 5, 3, "D"},
    };
    for (const auto& c : cases) {
        menu.setValue(c.value);
        EXPECT_EQ(menu.getCurrentIndex(true), c.withSeparators) << c.value;
        EXPECT_EQ(menu.getCurrentIndex(false), c.withoutSeparators) << c.value;
        std::memset(buffer, 0, sizeof(buffer));
        EXPECT_EQ(menu.getCurrent(buffer, false), c.withoutSeparators);
        EXPECT_STREQ(buffer, c.title);
        EXPECT_EQ(menu.getCurrent(nullptr, true), c.withSeparators) << "a null buffer only gives the index";
    }
    // Values outside the menu (or NaN) leave the current entry alone.
    for (float bad : {-1.0f, 6.0f, 100.0f, std::nanf("")}) {
        menu.setValue(bad);
        EXPECT_EQ(menu.getCurrentIndex(true), 5) << bad;
    }
}

TEST(OptionMenu, GetCurrentCopiesAtMost255Bytes) {
    COptionMenu menu(CRect(0, 0, 16, 16), nullptr, 9999);
    menu.remember();
    std::string longTitle(1000, 'x');
    menu.addEntry(longTitle);
    menu.setValue(0);
    char buffer[257];
    std::memset(buffer, '#', sizeof(buffer));
    menu.getCurrent(buffer, false);
    EXPECT_EQ(std::strlen(buffer), 255u);
    EXPECT_EQ(buffer[256], '#') << "nothing written past the caller's 256 bytes";
}

namespace {
// A command menu as the editor builds them: on the frame, no listener.
struct CommandMenu {
    explicit CommandMenu(CFrame* frame) : frame(frame) {
        menu = new COptionMenu(CRect(92, 92, 108, 108), nullptr, 9999);
        menu->addEntry("-GTitle");
        menu->addEntry("Undo");
        menu->addEntry("-");
        auto* speed = new COptionMenu(CRect(92, 92, 108, 108), nullptr, 9999);
        speed->addEntry("Off");
        speed->addEntry("1/4 QB");
        speed->addEntry("-GLocked");
        auto* deeper = new COptionMenu(CRect(92, 92, 108, 108), nullptr, 9999);
        deeper->addEntry("Deep");
        speed->addEntry(deeper, "More");
        deeper->forget();
        menu->addEntry(speed, "Set Speed");
        speed->forget();
        frame->addView(menu);
    }
    ~CommandMenu() { frame->removeView(menu, true); }
    CFrame* frame;
    COptionMenu* menu;
};
}  // namespace

TEST(OptionMenu, PopupResultStates) {
    OffscreenFrame f(CRect(0, 0, 200, 200));
    struct Case {
        std::vector<std::string> choice;  // empty: dismiss
        bool chosen;
        long topIndex;
        const char* topTitle;
        const char* lastMenuFirstTitle;  // identifies the menu holding the choice
        int32 lastIndex;
        const char* why;
    };
    const Case cases[] = {
        {{"Undo"}, true, 1, "Undo", "Title", 1, "chosen at top level"},
        {{"Set Speed", "1/4 QB"}, true, -1, "", "Off", 1, "chosen in a submenu"},
        {{"Set Speed", "More", "Deep"}, true, -1, "", "Deep", 0, "chosen two levels down"},
        {{}, false, -1, "", nullptr, -1, "dismissed"},
        {{"Title"}, false, -1, "", nullptr, -1, "a disabled entry cannot be chosen"},
        {{"Set Speed"}, false, -1, "", nullptr, -1, "a submenu's own title is no choice"},
    };
    for (const auto& c : cases) {
        CommandMenu command(f.frame);
        command.menu->setValue(3);  // a stale current entry must not survive the pop-up
        if (c.choice.empty())
            f.target.dismissNext();
        else
            f.target.chooseNext(c.choice);
        EXPECT_EQ(command.menu->popup(), c.chosen) << c.why;
        char title[256] = {0};
        EXPECT_EQ(command.menu->getCurrent(title, true), c.topIndex) << c.why;
        EXPECT_STREQ(title, c.topTitle) << c.why;
        int32 index = 99;
        COptionMenu* holder = command.menu->getLastItemMenu(index);
        if (c.lastMenuFirstTitle) {
            ASSERT_NE(holder, nullptr) << c.why;
            EXPECT_EQ(holder->getEntry(0)->getTitle(), c.lastMenuFirstTitle) << c.why;
            EXPECT_EQ(index, c.lastIndex) << c.why;
            EXPECT_EQ(holder->getCurrentIndex(true), c.lastIndex) << "the holding menu's value is the choice";
        } else {
            EXPECT_EQ(holder, nullptr) << c.why;
        }
    }
    EXPECT_EQ(f.target.getUnresolvedChoices().size(), 2u);

    // The menu tree that was shown, for assertions on titles and states.
    ASSERT_FALSE(f.target.getShownMenus().empty());
    EXPECT_EQ(f.target.getShownMenus().back().describe(),
              "(off)Title|Undo|-|Set Speed[Off|1/4 QB|(off)Locked|More[Deep]]");
    EXPECT_EQ(f.target.getShownMenus().back().anchor, CRect(92, 92, 108, 108));
    const MenuSnapshot::Entry* locked = f.target.getShownMenus().back().find({"Set Speed", "Locked"});
    ASSERT_NE(locked, nullptr);
    EXPECT_FALSE(locked->enabled);
}

TEST(OptionMenu, PopupWithProviderAndWithoutFrame) {
    OffscreenFrame f;
    CommandMenu command(f.frame);
    // A provider sees the tree and answers by index path.
    f.target.setPopupProvider([](const MenuSnapshot& shown) {
        EXPECT_EQ(shown.entries.size(), 4u);
        return PopupResult{{3, 0}};
    });
    EXPECT_TRUE(command.menu->popup());
    int32 index = -1;
    COptionMenu* holder = command.menu->getLastItemMenu(index);
    ASSERT_NE(holder, nullptr);
    EXPECT_EQ(holder->getEntry(index)->getTitle(), "Off");

    // An answer that points at nothing is a dismissal.
    f.target.setPopupProvider([](const MenuSnapshot&) { return PopupResult{{42}}; });
    EXPECT_FALSE(command.menu->popup());

    // A menu that is in no frame cannot pop up: dismissed.
    COptionMenu loose(CRect(0, 0, 10, 10), nullptr, 9999);
    loose.remember();
    loose.addEntry("X");
    EXPECT_FALSE(loose.popup());
    EXPECT_EQ(loose.getCurrentIndex(), -1);
}

TEST(OptionMenu, DoPopupReportsTheHoldingMenuToTheListener) {
    OffscreenFrame f;
    RecordingListener listener;
    auto* menu = new COptionMenu(CRect(10, 10, 90, 27), &listener, 27, nullptr, nullptr, kCheckStyle);
    menu->addEntry("Bypass");
    menu->addEntry("-");
    auto* sub = new COptionMenu(CRect(10, 10, 90, 27), nullptr, 9999, nullptr, nullptr, 272);
    sub->addEntry("LP 12");
    sub->addEntry("LP 24");
    menu->addEntry(sub, "Low Pass");
    sub->forget();
    f.frame->addView(menu);
    menu->setValue(0);

    // Top-level choice: the menu itself changes and reports.
    f.target.chooseNext({"Low Pass", "LP 24"});
    f.target.chooseNext({"Bypass"});
    f.target.dismissNext();

    EXPECT_EQ(f.target.click({50, 18}), kMouseDownEventHandledButDontNeedMovedOrUpEvents);
    ASSERT_EQ(listener.controls.size(), 1u);
    EXPECT_EQ(listener.controls[0], sub) << "a submenu choice reaches the listener with the submenu";
    EXPECT_EQ(sub->getCurrentIndex(), 1);
    EXPECT_EQ(menu->getCurrentIndex(true), 0) << "doPopup keeps the top menu's value";
    EXPECT_TRUE(f.target.getShownMenus()[0].entries[0].checked) << "check style marks the current entry";

    f.target.click({50, 18});
    ASSERT_EQ(listener.controls.size(), 2u);
    EXPECT_EQ(listener.controls[1], menu);
    EXPECT_EQ(listener.values[1], 0.0f);

    f.target.click({50, 18});
    EXPECT_EQ(listener.controls.size(), 2u) << "a dismissal reports nothing";
    EXPECT_EQ(menu->getCurrentIndex(true), 0);
    EXPECT_EQ(f.target.getShownMenus().size(), 3u);
    EXPECT_EQ(menu->lastButton & kLButton, kLButton);
}

TEST(OptionMenu, RemovingEntriesKeepsTheCurrentIndexOnItsEntry) {
    COptionMenu menu(CRect(0, 0, 16, 16), nullptr, 9999);
    menu.remember();
    for (const char* title : {"A", "B", "C"})
        menu.addEntry(title);
    menu.setValue(2);
    menu.removeEntry(0);
    EXPECT_EQ(menu.getCurrent()->getTitle(), "C");
    menu.addEntry("Z", 0);
    EXPECT_EQ(menu.getCurrent()->getTitle(), "C");
    menu.removeEntry(2);
    EXPECT_EQ(menu.getCurrent(), nullptr);
    EXPECT_FALSE(menu.removeEntry(5));
    menu.removeAllEntry();
    EXPECT_EQ(menu.getNbEntries(), 0);
    EXPECT_EQ(menu.getCurrentIndex(), -1);
}

TEST(OptionMenu, AMenuIsShownAtItsFramesScreenSize) {
    struct Case {
        double set;       // 0: never set
        double expected;
        const char* why;
    };
    const Case cases[] = {
        {0, 1, "a frame that was never told draws its menus at 100 %"},
        {1.25, 1.25, "125 %"},
        {2, 2, "200 %"},
        {-1, 1, "a factor that makes no sense is 100 %"},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.why);
        OffscreenFrame f;
        if (c.set != 0)
            f.frame->setMenuScale(c.set);
        auto* menu = new COptionMenu(CRect(10, 10, 90, 27), nullptr, 27);
        menu->addEntry("Bypass");
        f.frame->addView(menu);
        f.target.dismissNext();
        menu->popup();
        ASSERT_EQ(f.target.getShownMenus().size(), 1u);
        EXPECT_EQ(f.target.getShownMenus()[0].scale, c.expected);
        EXPECT_EQ(f.frame->getMenuScale(), c.expected);
    }
}
