// Components: ownership order, names, notification, destruction order, published fields.
#include <gtest/gtest.h>

#include "tests/platform/classlib/core_test_classes.h"

namespace {

using kvtest::Log;

TEST(CoreComponents, OwnedListKeepsInsertionOrderAndIsBoundsChecked) {
  TTestForm form(nullptr);
  auto* a = new TTestWidget(&form);
  auto* b = new TTestWidget(&form);
  auto* c = new TTestWidget(&form);
  a->SetName("a"), b->SetName("b"), c->SetName("c");
  ASSERT_EQ(form.ComponentCount(), 3);
  EXPECT_EQ(form.Components(0), a);
  EXPECT_EQ(form.Components(2), c);
  EXPECT_EQ(b->ComponentIndex(), 1);
  EXPECT_EQ(b->Owner(), &form);
  EXPECT_EQ(form.FindComponent("B"), b);
  EXPECT_EQ(form.FindComponent(""), nullptr);
  EXPECT_THROW(form.Components(3), EListError);
  EXPECT_THROW(form.Components(-1), EListError);

  form.RemoveComponent(b);
  EXPECT_EQ(b->Owner(), nullptr);
  EXPECT_EQ(form.Components(1), c);
  form.InsertComponent(b);
  EXPECT_EQ(form.Components(2), b);
  delete a;
  EXPECT_EQ(form.ComponentCount(), 2);
  EXPECT_EQ(form.Components(0), c);
}

TEST(CoreComponents, NamesMustBeValidAndUniqueAmongTheOwnersComponents) {
  struct Case {
    const char* name;
    bool valid;
  } cases[] = {
      {"", true},       {"btnOk", true}, {"_x1", true},   {"A", true},         {"1abc", false},
      {"a b", false},   {"a.b", false},  {"a-b", false},  {"\xB0\xB4", false},  // a CP936 character
  };
  for (const Case& c : cases) {
    TTestWidget w(nullptr);
    if (c.valid) {
      EXPECT_NO_THROW(w.SetName(c.name)) << c.name;
      EXPECT_EQ(w.Name(), c.name);
    } else {
      try {
        w.SetName(c.name);
        ADD_FAILURE() << "accepted " << c.name;
      } catch (const EComponentError& e) {
        EXPECT_EQ(e.Message(), "'" + AnsiString(c.name) + "' is not a valid component name");
      }
    }
  }

  TTestForm form(nullptr);
  auto* first = new TTestWidget(&form);
  auto* second = new TTestWidget(&form);
  first->SetName("Button1");
  try {
    second->SetName("BUTTON1");
    ADD_FAILURE() << "duplicate accepted";
  } catch (const EComponentError& e) {
    EXPECT_EQ(e.Message(), "A component named BUTTON1 already exists");
  }
  EXPECT_NO_THROW(first->SetName("button1"));  // renaming itself is not a clash
  first->SetName("Other");
  EXPECT_EQ(form.FindComponent("button1"), nullptr);
  EXPECT_EQ(form.FindComponent("other"), first);
  // Two unnamed components never clash.
  EXPECT_NO_THROW(new TTestWidget(&form));
}

TEST(CoreComponents, SiblingsAreToldWhenAComponentIsFreed) {
  TTestForm form(nullptr);
  auto* a = new TTestWidget(&form);
  auto* b = new TTestWidget(&form);
  a->SetName("a"), b->SetName("b");
  a->Buddy = b;  // a plain pointer: the owner's broadcast alone must clear it
  a->Heard.clear();
  delete b;
  EXPECT_EQ(a->Buddy, nullptr);
  EXPECT_EQ(a->Heard, std::vector<std::string>{"-b"});
}

TEST(CoreComponents, AComponentOfAnotherOwnerIsClearedOnlyWithFreeNotification) {
  TTestForm formA(nullptr), formB(nullptr);
  auto* holder = new TTestWidget(&formA);
  auto* target = new TTestWidget(&formB);
  target->SetName("target");

  holder->Buddy = target;  // no registration: nobody tells the holder
  holder->Heard.clear();
  delete target;
  EXPECT_TRUE(holder->Heard.empty());
  holder->Buddy = nullptr;

  auto* second = new TTestWidget(&formB);
  second->SetName("second");
  holder->SetBuddy(second);  // registers through FreeNotification
  EXPECT_TRUE(second->ComponentState().Contains(csFreeNotification));
  delete second;
  EXPECT_EQ(holder->Buddy, nullptr);
  EXPECT_EQ(holder->Heard, std::vector<std::string>{"-second"});
}

TEST(CoreComponents, FreeingTheRegisteredSideFirstLeavesNoStaleEntry) {
  TTestForm formA(nullptr), formB(nullptr);
  auto* holder = new TTestWidget(&formA);
  auto* target = new TTestWidget(&formB);
  holder->SetBuddy(target);
  delete holder;  // target must forget the holder, or freeing it calls into freed memory
  EXPECT_FALSE(target->ComponentState().Contains(csFreeNotification));
  delete target;
}

TEST(CoreComponents, RemovingARegisteredComponentFromItsOwnerKeepsTheRegistration) {
  TTestForm form(nullptr);
  auto* holder = new TTestWidget(&form);
  auto* target = new TTestWidget(&form);
  target->SetName("target");
  holder->SetBuddy(target);
  form.RemoveComponent(target);  // the siblings hear opRemove, but target lives on
  holder->Buddy = target;
  delete holder;                 // must unregister from target
  EXPECT_FALSE(target->ComponentState().Contains(csFreeNotification));
  delete target;                 // and target must not call the freed holder
}

TEST(CoreComponents, OwnerFreesItsComponentsLastFirstWhileItIsStillWhole) {
  Log().clear();
  auto* form = new TTestForm(nullptr);
  form->SetName("form");
  for (const char* n : {"w1", "w2", "w3"}) (new TTestWidget(form))->SetName(n);
  auto* w2 = static_cast<TTestWidget*>(form->FindComponent("w2"));
  auto* grandchild = new TTestWidget(w2);
  grandchild->SetName("w2child");
  delete form;
  EXPECT_EQ(Log(), (std::vector<std::string>{"before form owns 3", "~w3", "~w2child", "~w2", "~w1"}));
}

TEST(CoreComponents, EveryOwnedComponentIsMarkedDestroyingBeforeAnyIsFreed) {
  struct Probe : TTestWidget {
    using TTestWidget::TTestWidget;
    std::vector<bool>* seen = nullptr;
    TComponent* sibling = nullptr;
    ~Probe() override {
      if (sibling) seen->push_back(sibling->ComponentState().Contains(csDestroying));
    }
  };
  std::vector<bool> seen;
  auto* form = new TTestForm(nullptr);
  auto* early = new TTestWidget(form);
  auto* probe = new Probe(form);  // freed first (last created)
  probe->seen = &seen;
  probe->sibling = early;
  delete form;
  EXPECT_EQ(seen, std::vector<bool>{true});
}

TEST(CoreComponents, FreeingSiblingsFromANotificationHandlerKeepsTheListSound) {
  struct Killer : TTestWidget {
    using TTestWidget::TTestWidget;
    TComponent* victim = nullptr;
    void Notification(TComponent* c, TOperation op) override {
      TTestWidget::Notification(c, op);
      if (op == opRemove && victim && c->Name() == "trigger") {
        TComponent* v = victim;
        victim = nullptr;
        delete v;
      }
    }
  };
  TTestForm form(nullptr);
  auto* trigger = new TTestWidget(&form);
  trigger->SetName("trigger");
  auto* killer = new Killer(&form);
  auto* victim = new TTestWidget(&form);
  victim->SetName("victim");
  auto* last = new TTestWidget(&form);
  last->SetName("last");
  killer->victim = victim;
  delete trigger;
  ASSERT_EQ(form.ComponentCount(), 2);
  EXPECT_EQ(form.Components(0), killer);
  EXPECT_EQ(form.Components(1), last);
}

TEST(CoreComponents, PublishedFieldsFollowInsertionRenameAndRemoval) {
  TTestForm form(nullptr);
  auto* w = new TTestWidget(&form);
  w->SetName("btnOk");
  EXPECT_EQ(form.btnOk, w);
  w->SetName("pnlMain");
  EXPECT_EQ(form.btnOk, nullptr);
  EXPECT_EQ(form.pnlMain, w);
  form.RemoveComponent(w);
  EXPECT_EQ(form.pnlMain, nullptr);
  form.InsertComponent(w);
  EXPECT_EQ(form.pnlMain, w);
  delete w;
  EXPECT_EQ(form.pnlMain, nullptr);
  // A field of another class is not filled with a component of the wrong class.
  auto* other = new TTestForm(&form);
  other->SetName("btnOk");
  EXPECT_EQ(form.btnOk, nullptr);
}

void InsertIntoSecondOwner() {
  TTestForm a(nullptr);
  TTestForm b(nullptr);
  auto* w = new TTestWidget(&a);
  b.InsertComponent(w);
}

struct Reentrant : TTestWidget {
  using TTestWidget::TTestWidget;
  TComponent* watched = nullptr;
  void Notification(TComponent* c, TOperation op) override {
    TTestWidget::Notification(c, op);
    if (op == opRemove && c == watched) delete c;  // freed again while being freed
  }
};

void FreeWhileBeingFreed() {
  TTestForm a(nullptr);
  TTestForm b(nullptr);
  auto* target = new TTestWidget(&a);
  auto* watcher = new Reentrant(&b);
  watcher->watched = target;
  target->FreeNotification(watcher);
  delete target;
}

TEST(CoreComponents, OwnershipMisuseStopsWithAClearMessage) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_DEATH(InsertIntoSecondOwner(), "already has an owner");
  EXPECT_DEATH(FreeWhileBeingFreed(), "already being destroyed");
}

TEST(CoreObjects, ClassMetadataAndRegistry) {
  kvtest::RegisterTestClasses();
  TTestWideWidget w(nullptr);
  EXPECT_EQ(w.ClassName(), "TTestWideWidget");
  EXPECT_EQ(w.ClassParent(), TTestWidget::StaticClass());
  EXPECT_TRUE(w.InheritsFrom(TComponent::StaticClass()));
  EXPECT_TRUE(w.InheritsFrom(TObject::StaticClass()));
  EXPECT_FALSE(w.InheritsFrom(TTestForm::StaticClass()));
  EXPECT_FALSE(w.InheritsFrom(nullptr));
  EXPECT_EQ(GetClass("ttestwidewidget"), TTestWideWidget::StaticClass());
  EXPECT_EQ(GetClass("TNoSuchClass"), nullptr);
  try {
    FindClass("TNoSuchClass");
    ADD_FAILURE();
  } catch (const EClassNotFound& e) {
    EXPECT_STREQ(e.what(), "Class TNoSuchClass not found");
  }
  // Abstract or non-component classes have no constructor in their metadata.
  EXPECT_EQ(TStrings::StaticClass()->CreateComponent, nullptr);
  EXPECT_EQ(TTestFont::StaticClass()->CreateComponent, nullptr);
  EXPECT_NE(TTestItem::StaticClass()->CreateItem, nullptr);
  EXPECT_THROW(TTestFont::StaticClass()->CreateInstance(nullptr), EInvalidOperation);

  TComponent* made = TTestWidget::StaticClass()->CreateInstance(nullptr);
  EXPECT_EQ(made->ClassType(), TTestWidget::StaticClass());
  delete made;
}

TEST(CoreObjects, AssignFallsBackToTheConversionError) {
  TTestFont font;
  TTestItems items(nullptr);
  struct Case {
    TPersistent* source;
    const char* message;
  } cases[] = {
      {&items, "Cannot assign a TTestItems to a TTestFont"},
      {nullptr, "Cannot assign a nil to a TTestFont"},
  };
  for (const Case& c : cases) {
    try {
      font.Assign(c.source);
      ADD_FAILURE() << c.message;
    } catch (const EConvertError& e) {
      EXPECT_EQ(e.Message(), c.message);
    }
  }
  // The exception is a class-library object too.
  EConvertError err("x");
  EXPECT_EQ(err.ClassName(), "EConvertError");
  EXPECT_TRUE(err.InheritsFrom(Exception::StaticClass()));
}

}  // namespace
