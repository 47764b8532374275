// Any text as a form resource, read two ways: into an existing root that already holds the
// components of a base resource (so `inherited` blocks find something), and through
// CreateComponentFromText, which creates the root the header names. What must hold whatever
// the text:
//   - the only outcome of bad text is one of the library's exceptions, no crash or leak;
//   - a failed read frees every component it created (the root owns what it owned before);
//   - a text that reads writes back to a text that reads again into a fresh root, and writing
//     that root gives the same text again.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "platform/classlib/Classes.h"
#include "platform/classlib/FormReader.h"
#include "platform/classlib/FormWriter.h"
#include "platform/classlib/Resources.h"

namespace {

void Require(bool ok, const char* what) {
  if (ok) return;
  std::fprintf(stderr, "fuzz_formreader: %s\n", what);
  std::abort();
}

bool FuzzIdentToColor(const AnsiString& ident, int64_t& value) {
  if (SameText(ident, "clFuzzRed")) return value = 0x0000FF, true;
  if (SameText(ident, "clFuzzFace")) return value = static_cast<int32_t>(0xFF00000F), true;
  return false;
}
bool FuzzColorToIdent(int64_t value, AnsiString& ident) {
  if (value == 0x0000FF) return ident = "clFuzzRed", true;
  if (value == static_cast<int32_t>(0xFF00000F)) return ident = "clFuzzFace", true;
  return false;
}
const TIdentMapper kFuzzColors{FuzzIdentToColor, FuzzColorToIdent};

}  // namespace

KV_ENUM(TFuzzAlign, faNone, faTop, faBottom, faClient)
KV_ENUM(TFuzzStyle, fsBold, fsItalic, fsUnderline)
using TFuzzStyles = TSet<TFuzzStyle>;

// A nested sub-object (Font.Height = ...).
class TFuzzFont : public TPersistent {
  KV_CLASS(TFuzzFont, TPersistent)
 public:
  int Height = -11;
  AnsiString Name;
  TFuzzStyles Style;
  int32_t Color = 0;

  void Assign(TPersistent* source) override {
    if (auto* f = dynamic_cast<TFuzzFont*>(source)) {
      Height = f->Height, Name = f->Name, Style = f->Style, Color = f->Color;
      return;
    }
    TPersistent::Assign(source);
  }
  static void Publish(TPublisher<TFuzzFont>& p) {
    p.Property("Height", &TFuzzFont::Height).Default(-11);
    p.Property("Name", &TFuzzFont::Name);
    p.Property("Style", &TFuzzFont::Style).Default(TFuzzStyles{});
    p.Property("Color", &TFuzzFont::Color).Default(0).Idents(&kFuzzColors);
  }
};

// A collection item with a reference and an event, like a command of a command set.
class TFuzzItem : public TCollectionItem {
  KV_CLASS(TFuzzItem, TCollectionItem)
 public:
  explicit TFuzzItem(TCollection* c) : TCollectionItem(c) {}
  AnsiString Caption;
  int Width = 64;
  TComponent* Target = nullptr;
  TNotifyEvent OnExecute;

  void Assign(TPersistent* source) override {
    if (auto* i = dynamic_cast<TFuzzItem*>(source)) {
      Caption = i->Caption, Width = i->Width, Target = i->Target, OnExecute = i->OnExecute;
      return;
    }
    TCollectionItem::Assign(source);
  }
  static void Publish(TPublisher<TFuzzItem>& p) {
    p.Property("Caption", &TFuzzItem::Caption);
    p.Property("Width", &TFuzzItem::Width).Default(64);
    p.Property("Target", &TFuzzItem::Target);
    p.Property("OnExecute", &TFuzzItem::OnExecute);
  }
};

class TFuzzItems : public TOwnedCollection {
  KV_CLASS(TFuzzItems, TOwnedCollection)
 public:
  explicit TFuzzItems(TPersistent* owner) : TOwnedCollection(owner, TFuzzItem::StaticClass()) {}
};

// A component with a property of every kind the reader decodes, nesting children.
class TFuzzWidget : public TComponent {
  KV_CLASS(TFuzzWidget, TComponent)
 public:
  explicit TFuzzWidget(TComponent* owner) : TComponent(owner), FItems(this) {}

  int Left = 0;
  int Width = 100;
  AnsiString Caption;
  bool Visible = true;
  TFuzzAlign Align = faNone;
  TFuzzStyles Options{fsBold};
  double Ratio = 0;
  int64_t Big = 0;
  char Key = 'A';
  uint8_t Level = 0;
  int32_t Color = static_cast<int32_t>(0xFF00000F);
  TBytes Data;
  TFuzzWidget* Buddy = nullptr;
  TFuzzWidget* Parent = nullptr;
  TNotifyEvent OnClick;

  TFuzzFont* Font() const { return const_cast<TFuzzFont*>(&FFont); }
  void SetFont(TFuzzFont* f) { FFont.Assign(f); }
  TFuzzItems* Items() const { return const_cast<TFuzzItems*>(&FItems); }
  void SetItems(TFuzzItems* items) { FItems.Assign(items); }
  TStringList* Lines() const { return const_cast<TStringList*>(&FLines); }
  void SetLines(TStringList* l) { FLines.Assign(l); }
  void SetBuddy(TFuzzWidget* b) {
    if (Buddy) Buddy->RemoveFreeNotification(this);
    Buddy = b;
    if (Buddy) Buddy->FreeNotification(this);
  }

  TComponent* GetParentComponent() const override { return Parent; }
  bool HasParent() const override { return Parent != nullptr; }
  void SetParentComponent(TComponent* p) override { Parent = dynamic_cast<TFuzzWidget*>(p); }
  void GetChildren(const std::function<void(TComponent*)>& proc, TComponent* root) override {
    for (int i = 0; i < root->ComponentCount(); ++i) {
      auto* w = dynamic_cast<TFuzzWidget*>(root->Components(i));
      if (w && w->Parent == this) proc(w);
    }
  }

  static void Publish(TPublisher<TFuzzWidget>& p) {
    p.Property("Left", &TFuzzWidget::Left);
    p.Property("Width", &TFuzzWidget::Width).Default(100);
    p.Property("Caption", &TFuzzWidget::Caption);
    p.Property("Visible", &TFuzzWidget::Visible).Default(true);
    p.Property("Align", &TFuzzWidget::Align).Default(faNone);
    p.Property("Options", &TFuzzWidget::Options).Default(TFuzzStyles{fsBold});
    p.Property("Ratio", &TFuzzWidget::Ratio);
    p.Property("Big", &TFuzzWidget::Big);
    p.Property("Key", &TFuzzWidget::Key).Default('A');
    p.Property("Level", &TFuzzWidget::Level).Default(0);
    p.Property("Color", &TFuzzWidget::Color).Default(static_cast<int32_t>(0xFF00000F)).Idents(&kFuzzColors);
    p.Property("Font", &TFuzzWidget::Font, &TFuzzWidget::SetFont);
    p.Property("Items", &TFuzzWidget::Items, &TFuzzWidget::SetItems);
    p.Property("Lines", &TFuzzWidget::Lines, &TFuzzWidget::SetLines);
    p.Property("Data", &TFuzzWidget::Data);
    p.Property("Buddy", &TFuzzWidget::Buddy, &TFuzzWidget::SetBuddy);
    p.Property("OnClick", &TFuzzWidget::OnClick);
  }

 protected:
  void Notification(TComponent* c, TOperation op) override {
    TComponent::Notification(c, op);
    if (op == opRemove && c == Buddy) Buddy = nullptr;
    if (op == opRemove && c == Parent) Parent = nullptr;
  }

 private:
  TFuzzFont FFont;
  TFuzzItems FItems;
  TStringList FLines;
};

// The root: published fields, handlers of two signatures.
class TFuzzForm : public TComponent {
  KV_CLASS(TFuzzForm, TComponent)
 public:
  explicit TFuzzForm(TComponent* owner) : TComponent(owner) {}
  TFuzzWidget* pnlMain = nullptr;
  TFuzzWidget* btnOk = nullptr;
  int Width = 0;
  AnsiString Caption;
  TNotifyEvent OnCreate;

  void btnOkClick(TObject*) {}
  void FormCreate(TObject*) {}
  void WrongSig(int) {}

  static void Publish(TPublisher<TFuzzForm>& p) {
    p.Property("Width", &TFuzzForm::Width);
    p.Property("Caption", &TFuzzForm::Caption);
    p.Property("OnCreate", &TFuzzForm::OnCreate);
    KV_PUBLISHED_FIELD(p, TFuzzForm, pnlMain);
    KV_PUBLISHED_FIELD(p, TFuzzForm, btnOk);
    KV_PUBLISHED_METHOD(p, TFuzzForm, btnOkClick);
    KV_PUBLISHED_METHOD(p, TFuzzForm, FormCreate);
    KV_PUBLISHED_METHOD(p, TFuzzForm, WrongSig);
  }
};

// A form with a resource of its own, the ancestor of TFuzzDerivedForm.
class TFuzzBaseForm : public TFuzzForm {
  KV_CLASS(TFuzzBaseForm, TFuzzForm)
 public:
  explicit TFuzzBaseForm(TComponent* owner) : TFuzzForm(owner) {}
  // Reads the resources of the class chain below TFuzzForm, as forms do when created.
  void AfterConstruction() override { InitInheritedComponent(this, TFuzzForm::StaticClass()); }
};

// Created by `inherited name: TFuzzDerivedForm` texts: the base resource is read first.
class TFuzzDerivedForm : public TFuzzBaseForm {
  KV_CLASS(TFuzzDerivedForm, TFuzzBaseForm)
 public:
  explicit TFuzzDerivedForm(TComponent* owner) : TFuzzBaseForm(owner) {}
  TFuzzWidget* lblNew = nullptr;
  static void Publish(TPublisher<TFuzzDerivedForm>& p) { KV_PUBLISHED_FIELD(p, TFuzzDerivedForm, lblNew); }
};

namespace {

// The base level every derived text builds on.
const char kBaseResource[] =
    "object frmBase: TFuzzBaseForm\n"
    "  Width = 320\n"
    "  Caption = 'Base'\n"
    "  OnCreate = FormCreate\n"
    "  object pnlMain: TFuzzWidget\n"
    "    Width = 300\n"
    "    Font.Style = [fsItalic]\n"
    "    Items = <\n"
    "      item\n"
    "        Caption = 'first'\n"
    "        Target = btnOk\n"
    "      end>\n"
    "    object btnOk: TFuzzWidget\n"
    "      Lines.Strings = (\n"
    "        'a')\n"
    "      Buddy = pnlMain\n"
    "      OnClick = btnOkClick\n"
    "    end\n"
    "  end\n"
    "end\n";

void RegisterOnce() {
  static const bool done = [] {
    RegisterClasses({TFuzzWidget::StaticClass(), TFuzzForm::StaticClass(), TFuzzBaseForm::StaticClass(),
                     TFuzzDerivedForm::StaticClass()});
    RegisterResource("TFuzzBaseForm", "fuzz_base.dfm", std::string_view(kBaseResource, sizeof kBaseResource - 1));
    return true;
  }();
  (void)done;
}

// Writes ROOT, reads the text into a fresh root of its class and writes that: both texts
// must be the same.
void CheckWritesBack(TComponent* root) {
  const AnsiString written = WriteComponentToText(root);
  TComponent* again = nullptr;
  try {
    again = root->ClassType()->CreateComponent(nullptr);  // no AfterConstruction: no base level
    ReadComponentFromText(again, written, "written");
  } catch (const Exception& e) {
    delete again;
    std::fprintf(stderr, "fuzz_formreader: %s\n--- written text ---\n%s\n", e.Message().c_str(), written.c_str());
    Require(false, "a text the writer made does not read");
  }
  const AnsiString rewritten = WriteComponentToText(again);
  delete again;
  if (rewritten != written)
    std::fprintf(stderr, "--- first ---\n%s\n--- second ---\n%s\n", written.c_str(), rewritten.c_str());
  Require(rewritten == written, "writing what was read back changes the text");
}

// Reads TEXT into a root that already holds the base level.
void ReadIntoExistingRoot(std::string_view text) {
  TFuzzBaseForm* root = Create<TFuzzBaseForm>(nullptr);
  const int before = root->ComponentCount();
  bool read = false;
  try {
    ReadComponentFromText(root, text, "fuzz.dfm");
    read = true;
  } catch (const Exception&) {
    // The defined outcome for a text that is not a resource of this root.
  }
  if (read)
    CheckWritesBack(root);
  else
    Require(root->ComponentCount() == before, "a failed read left components it created");
  delete root;
}

// Creates the root the text names.
void CreateFromText(std::string_view text) {
  TComponent* owner = new TComponent(nullptr);
  TComponent* root = nullptr;
  try {
    root = CreateComponentFromText(text, owner, "fuzz.dfm");
  } catch (const Exception&) {
    Require(owner->ComponentCount() == 0, "a failed create left its root behind");
  }
  if (root) {
    Require(root->Owner() == owner, "the created root is not owned by the owner given");
    CheckWritesBack(root);
  }
  delete owner;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  RegisterOnce();
  const std::string_view text(reinterpret_cast<const char*>(data), size);
  ReadIntoExistingRoot(text);
  CreateFromText(text);
  return 0;
}
