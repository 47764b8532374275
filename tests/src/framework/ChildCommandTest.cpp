// The command sets: naming of added items, Assign, and the Commands setter.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/classlib/SysUtils.h"
#include "src/framework/ChildCommand.h"

namespace {

std::vector<std::string> Names(TCommands* commands) {
  std::vector<std::string> names;
  for (int i = 0; i < commands->Count(); ++i) names.push_back(commands->Items(i)->Name());
  return names;
}

TEST(ChildCommand, UnnamedItemsGetTheFirstFreeName) {
  struct Case {
    std::vector<std::string> present;  // items named before, in order ("" = unnamed)
    std::vector<std::string> expected;
  } cases[] = {
      {{"", ""}, {"Command1", "Command2"}},
      {{"command1", "COMMAND3", "", ""}, {"command1", "COMMAND3", "Command2", "Command4"}},
      {{"save", ""}, {"save", "Command1"}},
  };
  for (const Case& c : cases) {
    TChildCommand set(nullptr);
    for (const std::string& name : c.present) {
      if (name.empty()) {
        set.Commands()->Add();
      } else {
        set.Commands()->Add()->SetName(name);
      }
    }
    EXPECT_EQ(Names(set.Commands()), c.expected);
  }
}

TEST(ChildCommand, CollectionKnowsItsComponent) {
  TChildCommand set(nullptr);
  EXPECT_EQ(set.Commands()->ChildCommand(), &set);
  EXPECT_EQ(set.Commands()->GetOwner(), &set);
  EXPECT_EQ(set.Commands()->ItemClass(), TCommand::StaticClass());
  TCommand* item = set.Commands()->Add();
  EXPECT_EQ(item->DisplayName(), "Command1");
  item->SetName("");
  EXPECT_EQ(item->DisplayName(), "TCommand");
}

TEST(ChildCommand, AssignCopiesEveryPropertyAndTheImage) {
  TChildCommand set(nullptr);
  TCommand* source = set.Commands()->Add();
  int runs = 0;
  source->SetName("save");
  source->SetCaption("C");
  source->SetHint("H");
  source->SetData("D");
  source->SetShortCut(0x4053);
  source->OnExecute = TNotifyEvent([&runs](TObject*) { ++runs; });
  source->Bitmap()->SetSize(2, 2);
  TCommand* copy = set.Commands()->Add();
  copy->Assign(source);
  EXPECT_EQ(copy->Name(), "save");
  EXPECT_EQ(copy->Caption(), "C");
  EXPECT_EQ(copy->Hint(), "H");
  EXPECT_EQ(copy->Data(), "D");
  EXPECT_EQ(copy->ShortCut(), 0x4053);
  copy->OnExecute(copy);
  EXPECT_EQ(runs, 1);
  EXPECT_FALSE(copy->OnUpdate);
  ASSERT_EQ(copy->Bitmap()->Width(), 2);
  // The image is copied, not shared.
  source->Bitmap()->SetSize(5, 5);
  EXPECT_EQ(copy->Bitmap()->Width(), 2);
  EXPECT_NE(copy->Bitmap(), source->Bitmap());
}

TEST(ChildCommand, AssigningSomethingElseIsAConversionError) {
  TChildCommand set(nullptr);
  TCommand* item = set.Commands()->Add();
  TStringList list;
  EXPECT_THROW(item->Assign(&list), EConvertError);
  EXPECT_THROW(item->Assign(nullptr), EConvertError);
  EXPECT_EQ(item->Name(), "Command1");
}

TEST(ChildCommand, CommandsSetterCopiesTheItems) {
  TChildCommand target(nullptr), source(nullptr);
  target.Commands()->Add()->SetName("old");
  target.SetCommands(nullptr);
  EXPECT_EQ(Names(target.Commands()), (std::vector<std::string>{"old"}));
  for (const char* name : {"a", "b", "c"}) source.Commands()->Add()->SetName(name);
  target.SetCommands(source.Commands());
  EXPECT_EQ(Names(target.Commands()), (std::vector<std::string>{"a", "b", "c"}));
  EXPECT_NE(target.Commands()->Items(0), source.Commands()->Items(0));
  EXPECT_EQ(target.Commands()->Items(0)->Collection(), target.Commands());
}

}  // namespace
