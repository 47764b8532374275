// Persistent objects, components with ownership and notification, collections, string lists.
#pragma once

#include <functional>
#include <vector>

#include "platform/classlib/SysUtils.h"
#include "platform/classlib/System.h"
#include "platform/classlib/TypInfo.h"

// The plain event: a handler taking the sender.
using TNotifyEvent = TEvent<void(TObject* Sender)>;

// Horizontal alignment of text, shared by controls and dataset fields.
KV_ENUM(TAlignment, taLeftJustify, taRightJustify, taCenter)

enum TOperation { opInsert, opRemove };
KV_ENUM_NAMES(TOperation, "opInsert", "opRemove")

KV_ENUM(TComponentStateItem, csLoading, csReading, csWriting, csDestroying, csDesigning, csAncestor,
        csUpdating, csFixups, csFreeNotification, csInline, csDesignInstance)
using TComponentState = TSet<TComponentStateItem>;

// ---- TPersistent --------------------------------------------------------------------------

// An object that can be assigned from another and streamed through its published properties.
class TPersistent : public TObject {
  KV_CLASS(TPersistent, TObject)
 public:
  TPersistent() = default;
  TPersistent(const TPersistent&) = delete;
  TPersistent& operator=(const TPersistent&) = delete;

  // Copies SOURCE into this object; the default asks SOURCE->AssignTo(this), and a null
  // SOURCE raises EConvertError "Cannot assign a nil to a X".
  virtual void Assign(TPersistent* source);
  // The owner used by GetNamePath and the streaming system (null by default).
  virtual TPersistent* GetOwner() const { return nullptr; }
  // Dotted path for tools: "Form1.Button1", "chldcmnd.Commands[0]"; the class name by default.
  virtual AnsiString GetNamePath() const;

 protected:
  // Copies this object into DEST; the default raises EConvertError "Cannot assign a X to a Y".
  virtual void AssignTo(TPersistent* dest);
  // Raises the conversion error for SOURCE (null allowed) assigned to this object.
  [[noreturn]] void AssignError(const TPersistent* source) const;
};

// ---- TComponent ---------------------------------------------------------------------------

// A persistent object with an owner, a name, owned components and removal notification.
// The owner frees its components (last created first); delete / Free on a component runs
// BeforeDestruction while the whole object is alive:
//   1. csDestroying is set on it and on everything it owns (recursively);
//   2. every component registered through FreeNotification gets Notification(this, opRemove);
//   3. the owned components are destroyed, last to first;
//   4. it leaves its owner (which, unless itself being destroyed, tells its other components).
class TComponent : public TPersistent {
  KV_CLASS(TComponent, TPersistent)
 public:
  // Inserts the component at the end of OWNER's components (null: the caller frees it).
  explicit TComponent(TComponent* owner);
  ~TComponent() override;

  TComponent* Owner() const { return FOwner; }
  // Owned component I (0-based); EListError when out of bounds.
  TComponent* Components(int index) const;
  int ComponentCount() const { return static_cast<int>(FComponents.size()); }
  // Position in the owner's list, or -1 without owner.
  int ComponentIndex() const;

  const AnsiString& Name() const { return FName; }
  // Renames; NAME must be empty or a valid identifier unique (case-insensitive) among the
  // owner's components, else EComponentError. Keeps the owner's published field in step.
  virtual void SetName(const AnsiString& name);
  intptr_t Tag() const { return FTag; }
  void SetTag(intptr_t tag) { FTag = tag; }
  TComponentState ComponentState() const { return FComponentState; }

  // The owned component called NAME (case-insensitive), or null; "" finds nothing.
  TComponent* FindComponent(const AnsiString& name) const;
  // Takes ownership of COMPONENT (which must have no owner); notifies with opInsert.
  void InsertComponent(TComponent* component);
  // Gives up ownership of COMPONENT (the caller frees it); notifies with opRemove.
  void RemoveComponent(TComponent* component);
  // Destroys every owned component, last to first.
  void DestroyComponents();
  // Sets csDestroying on this component and everything it owns.
  void Destroying();

  // Asks COMPONENT to call Notification(COMPONENT, opRemove) on this one when it is freed
  // (and the other way round); registering twice is fine.
  void FreeNotification(TComponent* component);
  // Undoes FreeNotification in both directions.
  void RemoveFreeNotification(TComponent* component);

  // Component that contains this one in a form resource (visual parent), or null.
  virtual TComponent* GetParentComponent() const { return nullptr; }
  // True when the component has a parent component (then it is nested inside it when written).
  virtual bool HasParent() const { return false; }
  // Called by the reader with the component whose block encloses this one.
  virtual void SetParentComponent(TComponent* parent) { (void)parent; }
  // Lists the components written nested inside this one when ROOT is written: by default
  // (for the root) the owned components without a parent component.
  virtual void GetChildren(const std::function<void(TComponent*)>& proc, TComponent* root);

  TPersistent* GetOwner() const override { return FOwner; }
  AnsiString GetNamePath() const override { return FName; }
  void BeforeDestruction() override;

  // Reader hooks: csLoading + csReading flags while the component's properties are read.
  void BeginLoading() { FComponentState.Include(csLoading); }
  void BeginReading() { FComponentState.Include(csReading); }
  void EndReading() { FComponentState.Exclude(csReading); }
  // Clears csLoading without running Loaded (a read that failed).
  void EndLoading() { FComponentState.Exclude(csLoading); }
  // Runs once the whole resource is read and references are fixed up; clears csLoading.
  virtual void Loaded();
  // Design-state switch (tests and tools).
  void SetDesigning(bool value);

  static void Publish(TPublisher<TComponent>& p);

 protected:
  // Told when COMPONENT is inserted into / removed from the owner, or (opRemove) when a
  // component this one registered with FreeNotification is freed. The base forwards to the
  // owned components. Overrides must call the base and clear their references.
  virtual void Notification(TComponent* component, TOperation operation);

 private:
  void Insert(TComponent* component);
  void Remove(TComponent* component);
  void ValidateRename(const AnsiString& newName) const;
  void SetReference(bool enable);
  void RunTeardown();
  enum class TLife { Alive, TearingDown, Destructing };

  TComponent* FOwner = nullptr;
  std::vector<TComponent*> FComponents;
  std::vector<TComponent*> FFreeNotifies;
  AnsiString FName;
  intptr_t FTag = 0;
  TComponentState FComponentState;
  TLife FLife = TLife::Alive;
};

// ---- collections ---------------------------------------------------------------------------

// The class of the items a collection makes (must derive from TCollectionItem).
using TCollectionItemClass = TClass;

// One item of a collection: its position (Index), a never reused ID, its DisplayName.
class TCollectionItem : public TPersistent {
  KV_CLASS(TCollectionItem, TPersistent)
 public:
  // Appends the item to COLLECTION (null: no collection yet).
  explicit TCollectionItem(TCollection* collection);
  ~TCollectionItem() override;

  TCollection* Collection() const { return FCollection; }
  // Moves the item into COLLECTION (null: out of any collection).
  void SetCollection(TCollection* collection);
  int ID() const { return FID; }
  // Position in the collection, or -1.
  int Index() const;
  // Moves the item to INDEX (others shift); EListError when out of bounds.
  virtual void SetIndex(int index);
  // Name shown by tools; the class name by default.
  virtual AnsiString DisplayName() const;
  // Setting it in the base stores nothing (only reports a change).
  virtual void SetDisplayName(const AnsiString& value);
  // "<collection path>[<index>]".
  AnsiString GetNamePath() const override;
  TPersistent* GetOwner() const override;
  // Leaves the collection (Notify(opRemove) while the item is still whole).
  void BeforeDestruction() override;

 protected:
  // Tells the collection that this item (ALLITEMS: others too) changed.
  void Changed(bool allItems);

 private:
  friend class TCollection;
  TCollection* FCollection = nullptr;
  int FID = 0;
};

// An ordered list of items of one class, owning them.
class TCollection : public TPersistent {
  KV_CLASS(TCollection, TPersistent)
 public:
  // ITEMCLASS must derive from TCollectionItem and be constructible from TCollection*.
  explicit TCollection(TCollectionItemClass itemClass, TPersistent* owner = nullptr);
  ~TCollection() override;

  TCollectionItemClass ItemClass() const { return FItemClass; }
  int Count() const { return static_cast<int>(FItems.size()); }
  // Item INDEX; EListError "List index out of bounds (N)" when out of bounds.
  TCollectionItem* Items(int index) const;
  // A new item at the end. Create items through Add / Insert: they call Notify(opInsert) once
  // the item is fully constructed (`new TItem(collection)` appends without notifying).
  TCollectionItem* Add();
  // A new item at INDEX (0..Count); later items move up.
  TCollectionItem* Insert(int index);
  // Frees item INDEX; EListError when out of bounds.
  void Delete(int index);
  // Frees every item.
  void Clear();
  // The item with ID, or null.
  TCollectionItem* FindItemID(int id) const;
  // Suppress Update until the outermost EndUpdate, which then calls Update(nullptr).
  void BeginUpdate();
  void EndUpdate();
  int UpdateCount() const { return FUpdateCount; }
  int NextID() const { return FNextID; }

  // Clears, then adds one item per item of SOURCE (a collection) and assigns it.
  void Assign(TPersistent* source) override;
  TPersistent* GetOwner() const override { return FOwner; }
  // "<owner path>.<property name>" when the owner publishes this collection, else class name.
  AnsiString GetNamePath() const override;
  // Frees the items while the whole collection can still be notified.
  void BeforeDestruction() override;

 protected:
  // Called after a change: ITEM changed, or null when the whole collection changed.
  virtual void Update(TCollectionItem* item) { (void)item; }
  // Called when an item is added (opInsert) or about to leave (opRemove).
  virtual void Notify(TCollectionItem* item, TOperation action) { (void)item, (void)action; }
  void Changed();

 private:
  friend class TCollectionItem;
  void InsertItem(TCollectionItem* item);
  void RemoveItem(TCollectionItem* item);
  void MoveItem(int from, int to);
  void CheckIndex(int index) const;

  TCollectionItemClass FItemClass;
  TPersistent* FOwner;
  std::vector<TCollectionItem*> FItems;
  int FNextID = 0;
  int FUpdateCount = 0;
};

// A collection that reports OWNER (for streaming and name paths).
class TOwnedCollection : public TCollection {
  KV_CLASS(TOwnedCollection, TCollection)
 public:
  TOwnedCollection(TPersistent* owner, TCollectionItemClass itemClass) : TCollection(itemClass, owner) {}
};

// ---- string lists --------------------------------------------------------------------------

// Abstract list of strings with associated objects (not owned).
class TStrings : public TPersistent {
  KV_CLASS(TStrings, TPersistent)
 public:
  virtual int Count() const = 0;
  // String INDEX; EStringListError "List index out of bounds (N)" when out of bounds.
  AnsiString Strings(int index) const { return Get(index); }
  AnsiString operator[](int index) const { return Get(index); }
  void SetStrings(int index, const AnsiString& s) { Put(index, s); }
  TObject* Objects(int index) const { return GetObject(index); }
  void SetObjects(int index, TObject* obj) { PutObject(index, obj); }

  // Appends S (a sorted list inserts it in order); returns its index.
  virtual int Add(const AnsiString& s);
  int AddObject(const AnsiString& s, TObject* obj);
  void AddStrings(const TStrings& strings);
  virtual void Insert(int index, const AnsiString& s) = 0;
  void InsertObject(int index, const AnsiString& s, TObject* obj);
  virtual void Delete(int index) = 0;
  virtual void Clear() = 0;
  void Exchange(int a, int b);
  void Move(int from, int to);
  // First index of S (case-insensitive unless CaseSensitive), or -1.
  virtual int IndexOf(const AnsiString& s) const;
  int IndexOfObject(const TObject* obj) const;
  // First line whose name part ("name=value") is NAME, or -1.
  int IndexOfName(const AnsiString& name) const;
  // True when both lists hold the same strings in the same order.
  bool Equals(const TStrings& other) const;

  // All lines, each followed by "\r\n".
  AnsiString Text() const;
  // Replaces the lines: TEXT split at CR, LF or CRLF (a final line break adds no line).
  void SetText(const AnsiString& text);
  // Comma-separated; items with blanks, commas, quotes or control codes (and empty ones) in "".
  AnsiString CommaText() const;
  // Replaces the lines: items separated by commas or blanks, "" quoting with "" for a quote.
  void SetCommaText(const AnsiString& text);
  // Name part of line INDEX (before the first '='), or "" when the line has no '='.
  AnsiString Names(int index) const;
  // Value of the line called NAME, or "".
  AnsiString Values(const AnsiString& name) const;
  // Sets the value of NAME (adds a line if missing; "" deletes the line).
  void SetValues(const AnsiString& name, const AnsiString& value);
  AnsiString ValueFromIndex(int index) const;

  bool CaseSensitive() const { return FCaseSensitive; }
  virtual void SetCaseSensitive(bool value) { FCaseSensitive = value; }
  // Nested updates: OnChange fires once, at the outermost EndUpdate.
  void BeginUpdate();
  void EndUpdate();
  int UpdateCount() const { return FUpdateCount; }

  // From another TStrings: replaces strings and objects.
  void Assign(TPersistent* source) override;
  // The lines as a vector (the streamed "Strings" value).
  std::vector<AnsiString> ToVector() const;
  void SetFromVector(const std::vector<AnsiString>& lines);

  static void Publish(TPublisher<TStrings>& p);

 protected:
  virtual AnsiString Get(int index) const = 0;
  virtual void Put(int index, const AnsiString& s);
  virtual TObject* GetObject(int index) const { (void)index; return nullptr; }
  virtual void PutObject(int index, TObject* obj) { (void)index, (void)obj; }
  // Called when the update count goes 0 -> 1 (UPDATING true) and back to 0 (false).
  virtual void SetUpdateState(bool updating) { (void)updating; }
  int CompareStrings(const AnsiString& a, const AnsiString& b) const;
  [[noreturn]] void IndexError(int index) const;

 private:
  int FUpdateCount = 0;
  bool FCaseSensitive = false;
};

enum TDuplicates { dupIgnore, dupAccept, dupError };
KV_ENUM_NAMES(TDuplicates, "dupIgnore", "dupAccept", "dupError")

// The concrete string list: optional sorting, duplicates rule, change events.
class TStringList : public TStrings {
  KV_CLASS(TStringList, TStrings)
 public:
  TStringList() = default;

  int Count() const override { return static_cast<int>(FItems.size()); }
  int Add(const AnsiString& s) override;
  // Raises EStringListError "Operation not allowed on sorted list" when Sorted.
  void Insert(int index, const AnsiString& s) override;
  void Delete(int index) override;
  void Clear() override;
  int IndexOf(const AnsiString& s) const override;
  // Binary search on a sorted list: true and the index when found, else the insert position.
  bool Find(const AnsiString& s, int& index) const;
  void Sort();
  bool Sorted() const { return FSorted; }
  void SetSorted(bool value);
  TDuplicates Duplicates() const { return FDuplicates; }
  void SetDuplicates(TDuplicates value) { FDuplicates = value; }
  void SetCaseSensitive(bool value) override;

  // Fires after every change (outside BeginUpdate/EndUpdate).
  TNotifyEvent OnChange;
  // Fires before every change (outside BeginUpdate/EndUpdate).
  TNotifyEvent OnChanging;

 protected:
  AnsiString Get(int index) const override;
  void Put(int index, const AnsiString& s) override;
  TObject* GetObject(int index) const override;
  void PutObject(int index, TObject* obj) override;
  void SetUpdateState(bool updating) override;
  virtual void Changed();
  virtual void Changing();

 private:
  struct Item {
    AnsiString S;
    TObject* Obj = nullptr;
  };
  void InsertItem(int index, const AnsiString& s, TObject* obj);
  std::vector<Item> FItems;
  bool FSorted = false;
  TDuplicates FDuplicates = dupIgnore;
};
