// Named command sets of a child form. The host's toolbar drives the form through them: the
// form announces each set by the address of the variable that holds it (messages 1131 and
// 1133), and the host runs a command by calling its item's OnExecute.
#pragma once

#include <cstdint>
#include <memory>

#include "platform/classlib/Classes.h"
#include "platform/classlib/Graphics.h"

class TChildCommand;
class TCommands;

// A key combination of the class library (0 = none).
using TShortCut = uint16_t;

// One command: a name from the set's vocabulary, what the host shows of it, and its events.
class TCommand : public TCollectionItem {
  KV_CLASS(TCommand, TCollectionItem)
 public:
  // Appends the item to COLLECTION (normally through TCommands::Add, which names it).
  explicit TCommand(TCollection* collection);
  ~TCommand() override;

  // The command's image, owned by the item (empty until set).
  TBitmap* Bitmap() const { return FBitmap.get(); }
  // Copies the image of BITMAP into the item's own bitmap (null empties it).
  void SetBitmap(TBitmap* bitmap);
  const AnsiString& Caption() const { return FCaption; }
  void SetCaption(const AnsiString& value) { FCaption = value; }
  const AnsiString& Hint() const { return FHint; }
  void SetHint(const AnsiString& value) { FHint = value; }
  // Free text for the host.
  const AnsiString& Data() const { return FData; }
  void SetData(const AnsiString& value) { FData = value; }
  const AnsiString& Name() const { return FName; }
  void SetName(const AnsiString& value) { FName = value; }
  TShortCut ShortCut() const { return FShortCut; }
  void SetShortCut(TShortCut value) { FShortCut = value; }

  // Runs the command; the host calls it with a sender of its choice.
  TNotifyEvent OnExecute;
  // Not assigned by this library; kept for the host.
  TNotifyEvent OnUpdate;

  // From another TCommand: Bitmap (its image), Caption, Hint, Data, Name, ShortCut,
  // OnExecute, OnUpdate; from anything else the class library's conversion error.
  void Assign(TPersistent* source) override;
  // Name, or the class library's default while Name is empty.
  AnsiString DisplayName() const override;

  static void Publish(TPublisher<TCommand>& p);

 private:
  std::unique_ptr<TBitmap> FBitmap;
  AnsiString FCaption;
  AnsiString FHint;
  AnsiString FData;
  AnsiString FName;
  TShortCut FShortCut = 0;
};

// The items of a TChildCommand. An item added without a name is named "Command<n>" with
// the smallest n >= 1 that no item uses (case-insensitive).
class TCommands : public TCollection {
  KV_CLASS(TCommands, TCollection)
 public:
  // A collection of TCommand items that reports OWNER as its owner.
  explicit TCommands(TChildCommand* owner);

  // The component that created the collection.
  TChildCommand* ChildCommand() const { return FChildCommand; }
  // Item INDEX; EListError when out of bounds.
  TCommand* Items(int index) const { return static_cast<TCommand*>(TCollection::Items(index)); }
  // A new item at the end, already named.
  TCommand* Add() { return static_cast<TCommand*>(TCollection::Add()); }

  // The name an unnamed item added now gets.
  AnsiString UniqueCommandName() const;

 protected:
  void Notify(TCollectionItem* item, TOperation action) override;

 private:
  TChildCommand* FChildCommand;
};

// A command-set component: a TCommands collection created with it and freed with it.
class TChildCommand : public TComponent {
  KV_CLASS(TChildCommand, TComponent)
 public:
  explicit TChildCommand(TComponent* owner);
  ~TChildCommand() override;

  // The component's own collection (never null).
  TCommands* Commands() const { return FCommands.get(); }
  // Replaces the items with copies of VALUE's items (TCommand::Assign each, in order); a
  // null VALUE changes nothing.
  void SetCommands(TCommands* value);

  static void Publish(TPublisher<TChildCommand>& p);

 private:
  std::unique_ptr<TCommands> FCommands;
};
