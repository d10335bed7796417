#include "shell/MessageBox.h"

#include <gtest/gtest.h>

#include <set>

#include "ShellFakes.h"
#include "shell/Catalogue.h"

namespace rq50::shell {
namespace {

using testing::ServicesScope;

TEST(MessageTable, EveryTextAndTitleIsInTheCatalogue) {
    std::set<int> texts;
    for (const MessageEntry& e : MessageTable()) {
        EXPECT_TRUE(CatalogueHas(e.textNumber)) << e.textNumber;
        if (e.titleText != 0) {
            EXPECT_TRUE(CatalogueHas(e.titleText)) << e.titleText;
        }
        EXPECT_TRUE(e.icon == MsgIcon::Information || e.icon == MsgIcon::Question ||
                    e.icon == MsgIcon::Exclamation);
        texts.insert(e.textNumber);
    }
    // Every message has its own text (53-55 share the words, not the number).
    EXPECT_EQ(texts.size(), MessageTable().size());
    EXPECT_EQ(CatalogueHas(1529), true);
}

TEST(ShowMsgBox, QuitQuestionWithYesNoBeepsFirstAndReturnsTheAnswer) {
    ServicesScope scope;
    scope.messages.answers = {MsgAnswer::Yes, MsgAnswer::No};
    EXPECT_EQ(ShowMessage(scope.ws.hosts, 25, MsgButtons::YesNo, "ignored"), MsgAnswer::Yes);
    EXPECT_EQ(ShowMessage(scope.ws.hosts, 25, MsgButtons::YesNo, ""), MsgAnswer::No);
    ASSERT_EQ(scope.messages.boxes.size(), 2u);
    const MessageBoxRequest& box = scope.messages.boxes[0];
    EXPECT_EQ(box.text, "Is it OK to quit the system RQ50?");
    EXPECT_EQ(box.title, "Exit");
    EXPECT_EQ(box.buttons, MsgButtons::YesNo);
    EXPECT_EQ(box.icon, MsgIcon::Question);
    EXPECT_EQ(scope.messages.beepsBeforeBox[0], 1);
}

TEST(ShowMsgBox, TitleIsTheCallersOrACatalogueText) {
    ServicesScope scope;
    ShowMessage(scope.ws.hosts, 1, MsgButtons::OkCancel, "Upload");
    ShowMessage(scope.ws.hosts, 2, MsgButtons::Ok, "Upload");
    ShowMessage(scope.ws.hosts, 22, MsgButtons::Ok, "");
    ShowMessage(scope.ws.hosts, 56, MsgButtons::Ok, "Editor");
    ASSERT_EQ(scope.messages.boxes.size(), 4u);
    EXPECT_EQ(scope.messages.boxes[0].text, "Starts communication. Press OK button if ready.");
    EXPECT_EQ(scope.messages.boxes[0].title, "Upload");
    EXPECT_EQ(scope.messages.boxes[0].icon, MsgIcon::Information);
    EXPECT_EQ(scope.messages.boxes[1].title, "Communication Error");
    EXPECT_EQ(scope.messages.boxes[1].icon, MsgIcon::Exclamation);
    EXPECT_EQ(scope.messages.boxes[2].text,
              "Lack of free disk space. Increase disk capacity or prepare a new disk.");
    EXPECT_EQ(scope.messages.boxes[2].title, "Save to File");
    EXPECT_EQ(scope.messages.boxes[3].text, "Attempted to perform an illegal operation on CONST.");
    EXPECT_EQ(scope.messages.boxes[3].title, "Editor");
}

TEST(ShowMsgBox, NumbersOutsideTheTableGiveAnEmptyBox) {
    ServicesScope scope;
    for (int n : {0, 57, -1}) ShowMessage(scope.ws.hosts, n, MsgButtons::RetryCancel, "T");
    ASSERT_EQ(scope.messages.boxes.size(), 3u);
    for (const MessageBoxRequest& box : scope.messages.boxes) {
        EXPECT_EQ(box.text, "");
        EXPECT_EQ(box.icon, MsgIcon::None);
        EXPECT_EQ(box.buttons, MsgButtons::RetryCancel);
    }
}

TEST(ShowRoutineError, LabelLineBreakDescriptionCriticalTitledRq50) {
    ServicesScope scope;
    ShowRoutineError(scope.ws.hosts, "Main_ERR", "disk full");
    ASSERT_EQ(scope.messages.boxes.size(), 1u);
    EXPECT_EQ(scope.messages.boxes[0].text, "Main_ERR\r\ndisk full");
    EXPECT_EQ(scope.messages.boxes[0].title, "RQ50");
    EXPECT_EQ(scope.messages.boxes[0].icon, MsgIcon::Critical);
    EXPECT_EQ(scope.messages.boxes[0].buttons, MsgButtons::Ok);
}

}  // namespace
}  // namespace rq50::shell
