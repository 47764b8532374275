// Small component classes shared by the class-library core and streaming tests.
#pragma once

#include <string>
#include <vector>

#include "platform/classlib/Classes.h"
#include "platform/classlib/TypInfo.h"

namespace kvtest {

// Events recorded by the test classes (Loaded, destructors ...), in order.
inline std::vector<std::string>& Log() {
  static std::vector<std::string> log;
  return log;
}

constexpr int32_t clTestBlack = 0;
constexpr int32_t clTestRed = 0x0000FF;
constexpr int32_t clTestFace = static_cast<int32_t>(0xFF00000F);

inline bool TestIdentToColor(const AnsiString& ident, int64_t& value) {
  if (SameText(ident, "clTestBlack")) return value = clTestBlack, true;
  if (SameText(ident, "clTestRed")) return value = clTestRed, true;
  if (SameText(ident, "clTestFace")) return value = clTestFace, true;
  return false;
}
inline bool TestColorToIdent(int64_t value, AnsiString& ident) {
  if (value == clTestBlack) return ident = "clTestBlack", true;
  if (value == clTestRed) return ident = "clTestRed", true;
  if (value == clTestFace) return ident = "clTestFace", true;
  return false;
}
inline const TIdentMapper kTestColors{TestIdentToColor, TestColorToIdent};

}  // namespace kvtest

KV_ENUM(TTestAlign, taNone, taTop, taBottom, taClient)
KV_ENUM(TTestOption, toBold, toItalic, toUnderline)
using TTestOptions = TSet<TTestOption>;

class TTestFont : public TPersistent {
  KV_CLASS(TTestFont, TPersistent)
 public:
  int Height = -11;
  AnsiString Name;
  TTestOptions Style;
  int32_t Color = kvtest::clTestBlack;

  void Assign(TPersistent* source) override {
    if (auto* f = dynamic_cast<TTestFont*>(source)) {
      Height = f->Height, Name = f->Name, Style = f->Style, Color = f->Color;
      return;
    }
    TPersistent::Assign(source);
  }
  static void Publish(TPublisher<TTestFont>& p) {
    p.Property("Height", &TTestFont::Height).Default(-11);
    p.Property("Name", &TTestFont::Name);
    p.Property("Style", &TTestFont::Style).Default(TTestOptions{});
    p.Property("Color", &TTestFont::Color).Default(kvtest::clTestBlack).Idents(&kvtest::kTestColors);
  }
};

class TTestItem : public TCollectionItem {
  KV_CLASS(TTestItem, TCollectionItem)
 public:
  explicit TTestItem(TCollection* c) : TCollectionItem(c) {}
  AnsiString Caption;
  int Width = 64;
  TNotifyEvent OnExecute;
  TComponent* Target = nullptr;

  AnsiString DisplayName() const override { return Caption.empty() ? TCollectionItem::DisplayName() : Caption; }
  void Assign(TPersistent* source) override {
    if (auto* i = dynamic_cast<TTestItem*>(source)) {
      Caption = i->Caption, Width = i->Width, OnExecute = i->OnExecute, Target = i->Target;
      return;
    }
    TCollectionItem::Assign(source);
  }
  static void Publish(TPublisher<TTestItem>& p) {
    p.Property("Caption", &TTestItem::Caption);
    p.Property("Width", &TTestItem::Width).Default(64);
    p.Property("Target", &TTestItem::Target);
    p.Property("OnExecute", &TTestItem::OnExecute);
  }
};

// Names items added without a caption "Item<n>" (needs the item fully built).
class TTestItems : public TOwnedCollection {
  KV_CLASS(TTestItems, TOwnedCollection)
 public:
  explicit TTestItems(TPersistent* owner) : TOwnedCollection(owner, TTestItem::StaticClass()) {}
  int Updates = 0;
  std::vector<std::string> Notifies;

 protected:
  void Update(TCollectionItem*) override { ++Updates; }
  void Notify(TCollectionItem* item, TOperation action) override {
    auto* t = static_cast<TTestItem*>(item);
    if (action == opInsert && t->Caption.empty()) t->Caption = "Item" + std::to_string(Count());
    Notifies.push_back((action == opInsert ? "+" : "-") + t->Caption);
  }
};

class TTestWidget : public TComponent {
  KV_CLASS(TTestWidget, TComponent)
 public:
  explicit TTestWidget(TComponent* owner) : TComponent(owner), FItems(this) { FLines.OnChange = nullptr; }
  ~TTestWidget() override { kvtest::Log().push_back("~" + Name()); }

  int Left = 0;
  int Width = 100;
  AnsiString Caption;
  bool Visible = true;
  TTestAlign Align = taNone;
  TTestOptions Options{toBold};
  double Ratio = 0;
  int64_t Big = 0;
  char Key = 'A';
  bool Flag = false;
  int Hidden = 7;
  int Special = 0;
  int32_t Color = kvtest::clTestFace;
  TBytes Data;
  TTestWidget* Buddy = nullptr;
  TTestWidget* Parent = nullptr;
  TNotifyEvent OnClick;
  std::vector<std::string> Heard;  // notifications received
  bool BuddyValidInLoaded = false;
  TComponentState StateWhileReadingCaption;

  TTestFont* Font() const { return const_cast<TTestFont*>(&FFont); }
  void SetFont(TTestFont* f) { FFont.Assign(f); }
  TTestItems* Items() const { return const_cast<TTestItems*>(&FItems); }
  void SetItems(TTestItems* items) { FItems.Assign(items); }
  TStringList* Lines() const { return const_cast<TStringList*>(&FLines); }
  void SetLines(TStringList* l) { FLines.Assign(l); }
  const AnsiString& GetCaption() const { return Caption; }
  void SetCaption(const AnsiString& c) {
    Caption = c;
    StateWhileReadingCaption = ComponentState();
  }
  void SetBuddy(TTestWidget* b) {
    if (Buddy) Buddy->RemoveFreeNotification(this);
    Buddy = b;
    if (Buddy) Buddy->FreeNotification(this);
  }
  bool IsSpecialStored() const { return Special > 10; }

  TComponent* GetParentComponent() const override { return Parent; }
  bool HasParent() const override { return Parent != nullptr; }
  void SetParentComponent(TComponent* p) override { Parent = dynamic_cast<TTestWidget*>(p); }
  void GetChildren(const std::function<void(TComponent*)>& proc, TComponent* root) override {
    for (int i = 0; i < root->ComponentCount(); ++i) {
      auto* w = dynamic_cast<TTestWidget*>(root->Components(i));
      if (w && w->Parent == this) proc(w);
    }
  }
  void Loaded() override {
    TComponent::Loaded();
    BuddyValidInLoaded = Buddy != nullptr;
    kvtest::Log().push_back("Loaded " + Name());
  }

  static void Publish(TPublisher<TTestWidget>& p) {
    p.Property("Left", &TTestWidget::Left);
    p.Property("Width", &TTestWidget::Width).Default(100);
    p.Property("Caption", &TTestWidget::GetCaption, &TTestWidget::SetCaption);
    p.Property("Visible", &TTestWidget::Visible).Default(true);
    p.Property("Align", &TTestWidget::Align).Default(taNone);
    p.Property("Options", &TTestWidget::Options).Default(TTestOptions{toBold});
    p.Property("Ratio", &TTestWidget::Ratio);
    p.Property("Big", &TTestWidget::Big);
    p.Property("Key", &TTestWidget::Key).Default('A');
    p.Property("Flag", &TTestWidget::Flag).Default(false);
    p.Property("Hidden", &TTestWidget::Hidden).Stored(false);
    p.Property("Special", &TTestWidget::Special).Stored(&TTestWidget::IsSpecialStored);
    p.Property("Color", &TTestWidget::Color).Default(kvtest::clTestFace).Idents(&kvtest::kTestColors);
    p.Property("Font", &TTestWidget::Font, &TTestWidget::SetFont);
    p.Property("Items", &TTestWidget::Items, &TTestWidget::SetItems);
    p.Property("Lines", &TTestWidget::Lines, &TTestWidget::SetLines);
    p.Property("Data", &TTestWidget::Data);
    p.Property("Buddy", &TTestWidget::Buddy, &TTestWidget::SetBuddy);
    p.Property("OnClick", &TTestWidget::OnClick);
  }

 protected:
  void Notification(TComponent* c, TOperation op) override {
    TComponent::Notification(c, op);
    Heard.push_back((op == opInsert ? "+" : "-") + c->Name());
    if (op == opRemove && c == Buddy) Buddy = nullptr;
    if (op == opRemove && c == Parent) Parent = nullptr;
  }

 private:
  TTestFont FFont;
  TTestItems FItems;
  TStringList FLines;
};

// Same as TTestWidget with a different default width (a redeclared property).
class TTestWideWidget : public TTestWidget {
  KV_CLASS(TTestWideWidget, TTestWidget)
 public:
  explicit TTestWideWidget(TComponent* owner) : TTestWidget(owner) { Width = 200; }
  static void Publish(TPublisher<TTestWideWidget>& p) {
    p.Property("Width", &TTestWideWidget::Width).Default(200);
  }
};

class TTestForm : public TComponent {
  KV_CLASS(TTestForm, TComponent)
 public:
  explicit TTestForm(TComponent* owner) : TComponent(owner) {}
  TTestWidget* pnlMain = nullptr;
  TTestWidget* btnOk = nullptr;
  int Clicks = 0;
  TObject* LastSender = nullptr;
  int Width = 0;
  AnsiString Caption;
  TNotifyEvent OnCreate;

  void btnOkClick(TObject* sender) {
    ++Clicks;
    LastSender = sender;
  }
  void FormCreate(TObject*) { kvtest::Log().push_back("FormCreate"); }
  void WrongSig(int) {}
  void BeforeDestruction() override {
    kvtest::Log().push_back("before " + Name() + " owns " + std::to_string(ComponentCount()));
    TComponent::BeforeDestruction();
  }
  void Loaded() override {
    TComponent::Loaded();
    kvtest::Log().push_back("Loaded " + Name());
  }

  static void Publish(TPublisher<TTestForm>& p) {
    p.Property("Width", &TTestForm::Width);
    p.Property("Caption", &TTestForm::Caption);
    p.Property("OnCreate", &TTestForm::OnCreate);
    KV_PUBLISHED_FIELD(p, TTestForm, pnlMain);
    KV_PUBLISHED_FIELD(p, TTestForm, btnOk);
    KV_PUBLISHED_METHOD(p, TTestForm, btnOkClick);
    KV_PUBLISHED_METHOD(p, TTestForm, FormCreate);
    KV_PUBLISHED_METHOD(p, TTestForm, WrongSig);
  }
};

class TTestDerivedForm : public TTestForm {
  KV_CLASS(TTestDerivedForm, TTestForm)
 public:
  explicit TTestDerivedForm(TComponent* owner) : TTestForm(owner) {}
  TTestWidget* lblNew = nullptr;
  void lblNewClick(TObject*) { ++NewClicks; }
  int NewClicks = 0;
  static void Publish(TPublisher<TTestDerivedForm>& p) {
    KV_PUBLISHED_FIELD(p, TTestDerivedForm, lblNew);
    KV_PUBLISHED_METHOD(p, TTestDerivedForm, lblNewClick);
  }
};

// Root of the resource embedded at build time (stream_embedded.dfm).
class TTestEmbeddedForm : public TTestForm {
  KV_CLASS(TTestEmbeddedForm, TTestForm)
 public:
  explicit TTestEmbeddedForm(TComponent* owner) : TTestForm(owner) {}
};

namespace kvtest {
inline void RegisterTestClasses() {
  static const bool once = [] {
    RegisterClasses({TTestWidget::StaticClass(), TTestWideWidget::StaticClass(), TTestForm::StaticClass(),
                     TTestDerivedForm::StaticClass(), TTestEmbeddedForm::StaticClass()});
    return true;
  }();
  (void)once;
}
}  // namespace kvtest
