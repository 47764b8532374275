#include "src/framework/ChildCommand.h"

#include <climits>

#include "platform/classlib/SysUtils.h"

// ---- TCommand ------------------------------------------------------------------------------

TCommand::TCommand(TCollection* collection) : TCollectionItem(collection), FBitmap(std::make_unique<TBitmap>()) {}

TCommand::~TCommand() = default;

void TCommand::SetBitmap(TBitmap* bitmap) {
  if (bitmap)
    FBitmap->Assign(bitmap);
  else
    FBitmap->SetSize(0, 0);
}

void TCommand::Assign(TPersistent* source) {
  auto* other = dynamic_cast<TCommand*>(source);
  if (!other) {
    TCollectionItem::Assign(source);
    return;
  }
  if (other == this) return;
  SetBitmap(other->Bitmap());
  SetCaption(other->Caption());
  SetHint(other->Hint());
  SetData(other->Data());
  SetName(other->Name());
  SetShortCut(other->ShortCut());
  OnExecute = other->OnExecute;
  OnUpdate = other->OnUpdate;
}

AnsiString TCommand::DisplayName() const { return FName.empty() ? TCollectionItem::DisplayName() : FName; }

void TCommand::Publish(TPublisher<TCommand>& p) {
  p.Property("Bitmap", &TCommand::Bitmap, &TCommand::SetBitmap);
  p.Property("Caption", &TCommand::Caption, &TCommand::SetCaption);
  p.Property("Hint", &TCommand::Hint, &TCommand::SetHint);
  p.Property("Data", &TCommand::Data, &TCommand::SetData);
  p.Property("Name", &TCommand::Name, &TCommand::SetName);
  p.Property("ShortCut", &TCommand::ShortCut, &TCommand::SetShortCut).Default(0);
  p.Property("OnExecute", &TCommand::OnExecute);
  p.Property("OnUpdate", &TCommand::OnUpdate);
}

// ---- TCommands -----------------------------------------------------------------------------

TCommands::TCommands(TChildCommand* owner) : TCollection(TCommand::StaticClass(), owner), FChildCommand(owner) {}

AnsiString TCommands::UniqueCommandName() const {
  auto taken = [this](const AnsiString& name) {
    for (int i = 0; i < Count(); ++i)
      if (SameText(Items(i)->Name(), name)) return true;
    return false;
  };
  for (int n = 1; n < INT_MAX; ++n) {
    AnsiString name = "Command" + IntToStr(n);
    if (!taken(name)) return name;
  }
  return "Command" + IntToStr(INT_MAX);
}

void TCommands::Notify(TCollectionItem* item, TOperation action) {
  TCollection::Notify(item, action);
  if (action != opInsert) return;
  auto* command = dynamic_cast<TCommand*>(item);
  if (command && command->Name().empty()) command->SetName(UniqueCommandName());
}

// ---- TChildCommand -------------------------------------------------------------------------

TChildCommand::TChildCommand(TComponent* owner) : TComponent(owner), FCommands(std::make_unique<TCommands>(this)) {}

TChildCommand::~TChildCommand() = default;

void TChildCommand::SetCommands(TCommands* value) {
  if (value) FCommands->Assign(value);
}

void TChildCommand::Publish(TPublisher<TChildCommand>& p) {
  p.Property("Commands", &TChildCommand::Commands, &TChildCommand::SetCommands);
}
