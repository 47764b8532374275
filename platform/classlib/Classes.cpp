#include "platform/classlib/Classes.h"

#include <algorithm>

namespace {

void EraseOne(std::vector<TComponent*>& list, TComponent* c) {
  auto it = std::find(list.begin(), list.end(), c);
  if (it != list.end()) list.erase(it);
}

AnsiString Describe(const TComponent* c) {
  return c->Name().empty() ? "a " + c->ClassName() : "'" + c->Name() + "' (" + c->ClassName() + ")";
}

[[noreturn]] void ListIndexError(int index) {
  throw EListError(Format("List index out of bounds (%d)", {index}));
}

}  // namespace

// ---- TPersistent ---------------------------------------------------------------------------

void TPersistent::Assign(TPersistent* source) {
  if (!source) AssignError(nullptr);
  source->AssignTo(this);
}

void TPersistent::AssignTo(TPersistent* dest) { dest->AssignError(this); }

void TPersistent::AssignError(const TPersistent* source) const {
  throw EConvertError(Format("Cannot assign a %s to a %s", {source ? source->ClassName() : AnsiString("nil"), ClassName()}));
}

AnsiString TPersistent::GetNamePath() const {
  TPersistent* owner = GetOwner();
  AnsiString ownerPath = owner ? owner->GetNamePath() : AnsiString();
  return ownerPath.empty() ? ClassName() : ownerPath + "." + ClassName();
}

// ---- TComponent ----------------------------------------------------------------------------

void TComponent::Publish(TPublisher<TComponent>& p) {
  p.Property("Name", &TComponent::Name, &TComponent::SetName).Stored(false);
  p.Property("Tag", &TComponent::Tag, &TComponent::SetTag).Default(0);
}

TComponent::TComponent(TComponent* owner) {
  if (owner) owner->InsertComponent(this);
}

TComponent::~TComponent() {
  // Reached without BeforeDestruction only for objects not freed through delete (stack objects).
  if (FLife == TLife::Alive) RunTeardown();
  FLife = TLife::Destructing;
}

void TComponent::BeforeDestruction() {
  KV_CHECK(FLife == TLife::Alive, "component " + Describe(this) + " is freed while it is already being destroyed");
  RunTeardown();
}

void TComponent::RunTeardown() {
  FLife = TLife::TearingDown;
  Destroying();
  while (!FFreeNotifies.empty()) {
    TComponent* other = FFreeNotifies.back();
    FFreeNotifies.pop_back();
    EraseOne(other->FFreeNotifies, this);
    if (other->FFreeNotifies.empty()) other->FComponentState.Exclude(csFreeNotification);
    other->Notification(this, opRemove);
  }
  DestroyComponents();
  if (FOwner) FOwner->RemoveComponent(this);
}

void TComponent::Destroying() {
  if (FComponentState.Contains(csDestroying)) return;
  FComponentState.Include(csDestroying);
  for (TComponent* c : FComponents) c->Destroying();
}

void TComponent::DestroyComponents() {
  const bool ownerAlive = !FComponentState.Contains(csDestroying);
  for (TComponent* c : FComponents) c->Destroying();
  while (!FComponents.empty()) {
    TComponent* c = FComponents.back();
    if (ownerAlive) c->SetReference(false);
    FComponents.pop_back();
    c->FOwner = nullptr;
    delete c;
  }
}

TComponent* TComponent::Components(int index) const {
  if (index < 0 || index >= ComponentCount()) ListIndexError(index);
  return FComponents[static_cast<size_t>(index)];
}

int TComponent::ComponentIndex() const {
  if (!FOwner) return -1;
  auto it = std::find(FOwner->FComponents.begin(), FOwner->FComponents.end(), this);
  return static_cast<int>(it - FOwner->FComponents.begin());
}

TComponent* TComponent::FindComponent(const AnsiString& name) const {
  if (name.empty()) return nullptr;
  for (TComponent* c : FComponents)
    if (SameText(c->FName, name)) return c;
  return nullptr;
}

void TComponent::ValidateRename(const AnsiString& newName) const {
  if (!newName.empty() && !IsValidIdent(newName))
    throw EComponentError(Format("'%s' is not a valid component name", {newName}));
  if (FOwner && !newName.empty()) {
    TComponent* existing = FOwner->FindComponent(newName);
    if (existing && existing != this) throw EComponentError(Format("A component named %s already exists", {newName}));
  }
}

void TComponent::SetName(const AnsiString& name) {
  if (name == FName) return;
  ValidateRename(name);
  SetReference(false);
  FName = name;
  SetReference(true);
}

void TComponent::SetReference(bool enable) {
  if (!FOwner || FName.empty()) return;
  const TFieldInfo* field = FindPublishedField(FOwner->ClassType(), FName);
  if (!field) return;
  if (enable) {
    if (InheritsFrom(field->FieldClass())) field->Set(FOwner, this);
  } else if (field->Get(FOwner) == this) {
    field->Set(FOwner, nullptr);
  }
}

void TComponent::InsertComponent(TComponent* component) {
  KV_CHECK(component != nullptr, "InsertComponent: null component");
  KV_CHECK(component->FOwner == nullptr, "InsertComponent: " + Describe(component) + " already has an owner");
  KV_CHECK(component != this, "InsertComponent: a component cannot own itself");
  if (FindComponent(component->FName))
    throw EComponentError(Format("A component named %s already exists", {component->FName}));
  FComponents.push_back(component);
  component->FOwner = this;
  component->SetReference(true);
  Notification(component, opInsert);
}

void TComponent::RemoveComponent(TComponent* component) {
  KV_CHECK(component != nullptr && component->FOwner == this,
           "RemoveComponent: " + (component ? Describe(component) : AnsiString("null")) + " is not owned by " +
               Describe(this));
  const bool alive = !FComponentState.Contains(csDestroying);
  if (alive) component->SetReference(false);
  EraseOne(FComponents, component);
  component->FOwner = nullptr;
  if (alive) Notification(component, opRemove);
}

void TComponent::Notification(TComponent* component, TOperation operation) {
  // Free-notification lists are kept in step by FreeNotification / teardown only: a component
  // merely removed from its owner is still alive and still registered both ways.
  // Index loop: a handler may add or free components while we walk.
  for (size_t i = 0; i < FComponents.size(); ++i) {
    TComponent* c = FComponents[i];
    if (c != component) c->Notification(component, operation);
  }
}

void TComponent::FreeNotification(TComponent* component) {
  KV_CHECK(component != nullptr, "FreeNotification: null component");
  if (component == this) return;
  if (std::find(FFreeNotifies.begin(), FFreeNotifies.end(), component) == FFreeNotifies.end())
    FFreeNotifies.push_back(component);
  if (std::find(component->FFreeNotifies.begin(), component->FFreeNotifies.end(), this) ==
      component->FFreeNotifies.end())
    component->FFreeNotifies.push_back(this);
  FComponentState.Include(csFreeNotification);
  component->FComponentState.Include(csFreeNotification);
}

void TComponent::RemoveFreeNotification(TComponent* component) {
  if (!component) return;
  EraseOne(FFreeNotifies, component);
  EraseOne(component->FFreeNotifies, this);
  if (FFreeNotifies.empty()) FComponentState.Exclude(csFreeNotification);
  if (component->FFreeNotifies.empty()) component->FComponentState.Exclude(csFreeNotification);
}

void TComponent::GetChildren(const std::function<void(TComponent*)>& proc, TComponent* root) {
  if (root != this) return;
  for (size_t i = 0; i < FComponents.size(); ++i)
    if (!FComponents[i]->HasParent()) proc(FComponents[i]);
}

void TComponent::Loaded() { FComponentState.Exclude(csLoading); }

void TComponent::SetDesigning(bool value) {
  if (value)
    FComponentState.Include(csDesigning);
  else
    FComponentState.Exclude(csDesigning);
}

// ---- TCollectionItem -----------------------------------------------------------------------

TCollectionItem::TCollectionItem(TCollection* collection) {
  if (collection) collection->InsertItem(this);
}

TCollectionItem::~TCollectionItem() {
  if (FCollection) FCollection->RemoveItem(this);
}

void TCollectionItem::BeforeDestruction() {
  if (FCollection) {
    TCollection* c = FCollection;
    c->Notify(this, opRemove);
    if (FCollection == c) {
      c->RemoveItem(this);
      c->Changed();
    }
  }
}

void TCollectionItem::SetCollection(TCollection* collection) {
  if (collection == FCollection) return;
  if (FCollection) {
    TCollection* old = FCollection;
    old->Notify(this, opRemove);
    old->RemoveItem(this);
    old->Changed();
  }
  if (collection) {
    collection->InsertItem(this);
    collection->Notify(this, opInsert);
    collection->Changed();
  }
}

int TCollectionItem::Index() const {
  if (!FCollection) return -1;
  const auto& items = FCollection->FItems;
  return static_cast<int>(std::find(items.begin(), items.end(), this) - items.begin());
}

void TCollectionItem::SetIndex(int index) {
  if (!FCollection) return;
  int current = Index();
  if (index == current) return;
  FCollection->CheckIndex(index);
  FCollection->MoveItem(current, index);
  Changed(true);
}

AnsiString TCollectionItem::DisplayName() const { return ClassName(); }

void TCollectionItem::SetDisplayName(const AnsiString& value) {
  (void)value;
  Changed(false);
}

AnsiString TCollectionItem::GetNamePath() const {
  if (!FCollection) return ClassName();
  return FCollection->GetNamePath() + "[" + std::to_string(Index()) + "]";
}

TPersistent* TCollectionItem::GetOwner() const { return FCollection; }

void TCollectionItem::Changed(bool allItems) {
  if (FCollection && FCollection->FUpdateCount == 0) FCollection->Update(allItems ? nullptr : this);
}

// ---- TCollection ---------------------------------------------------------------------------

TCollection::TCollection(TCollectionItemClass itemClass, TPersistent* owner) : FItemClass(itemClass), FOwner(owner) {
  KV_CHECK(itemClass && itemClass->InheritsFrom(TCollectionItem::StaticClass()) && itemClass->CreateItem,
           "TCollection: the item class must be a constructible collection item class");
}

TCollection::~TCollection() {
  while (!FItems.empty()) {
    TCollectionItem* item = FItems.back();
    FItems.pop_back();
    item->FCollection = nullptr;
    delete item;
  }
}

void TCollection::BeforeDestruction() {
  BeginUpdate();
  while (!FItems.empty()) delete FItems.back();
  --FUpdateCount;
}

void TCollection::CheckIndex(int index) const {
  if (index < 0 || index >= Count()) ListIndexError(index);
}

TCollectionItem* TCollection::Items(int index) const {
  CheckIndex(index);
  return FItems[static_cast<size_t>(index)];
}

void TCollection::InsertItem(TCollectionItem* item) {
  item->FCollection = this;
  item->FID = FNextID++;
  FItems.push_back(item);
}

void TCollection::RemoveItem(TCollectionItem* item) {
  auto it = std::find(FItems.begin(), FItems.end(), item);
  if (it != FItems.end()) FItems.erase(it);
  item->FCollection = nullptr;
}

void TCollection::MoveItem(int from, int to) {
  TCollectionItem* item = FItems[static_cast<size_t>(from)];
  FItems.erase(FItems.begin() + from);
  FItems.insert(FItems.begin() + to, item);
}

TCollectionItem* TCollection::Add() {
  TCollectionItem* item = FItemClass->CreateItem(this);
  Notify(item, opInsert);
  Changed();
  return item;
}

TCollectionItem* TCollection::Insert(int index) {
  if (index < 0 || index > Count()) ListIndexError(index);
  BeginUpdate();
  TCollectionItem* item;
  try {
    item = Add();
    MoveItem(Count() - 1, index);
  } catch (...) {
    EndUpdate();
    throw;
  }
  EndUpdate();
  return item;
}

void TCollection::Delete(int index) {
  CheckIndex(index);
  delete FItems[static_cast<size_t>(index)];
}

void TCollection::Clear() {
  if (FItems.empty()) return;
  BeginUpdate();
  while (!FItems.empty()) delete FItems.back();
  EndUpdate();
}

TCollectionItem* TCollection::FindItemID(int id) const {
  for (TCollectionItem* item : FItems)
    if (item->FID == id) return item;
  return nullptr;
}

void TCollection::BeginUpdate() { ++FUpdateCount; }

void TCollection::EndUpdate() {
  KV_CHECK(FUpdateCount > 0, "TCollection::EndUpdate without BeginUpdate");
  if (--FUpdateCount == 0) Changed();
}

void TCollection::Changed() {
  if (FUpdateCount == 0) Update(nullptr);
}

void TCollection::Assign(TPersistent* source) {
  auto* src = dynamic_cast<TCollection*>(source);
  if (!src) {
    TPersistent::Assign(source);
    return;
  }
  if (src == this) return;
  BeginUpdate();
  try {
    Clear();
    for (TCollectionItem* item : src->FItems) Add()->Assign(item);
  } catch (...) {
    EndUpdate();
    throw;
  }
  EndUpdate();
}

AnsiString TCollection::GetNamePath() const {
  if (!FOwner) return ClassName();
  AnsiString ownerPath = FOwner->GetNamePath();
  for (const TPropInfo* prop : GetPropList(FOwner->ClassType())) {
    if (prop->Kind == TTypeKind::tkClass && prop->GetObj(FOwner) == this)
      return ownerPath.empty() ? prop->Name : ownerPath + "." + prop->Name;
  }
  return ClassName();
}

// ---- TStrings ------------------------------------------------------------------------------

void TStrings::Publish(TPublisher<TStrings>& p) {
  p.Property("Strings", &TStrings::ToVector, &TStrings::SetFromVector);
}

void TStrings::IndexError(int index) const {
  throw EStringListError(Format("List index out of bounds (%d)", {index}));
}

int TStrings::CompareStrings(const AnsiString& a, const AnsiString& b) const {
  return FCaseSensitive ? CompareStr(a, b) : CompareText(a, b);
}

int TStrings::Add(const AnsiString& s) {
  int index = Count();
  Insert(index, s);
  return index;
}

int TStrings::AddObject(const AnsiString& s, TObject* obj) {
  int index = Add(s);
  PutObject(index, obj);
  return index;
}

void TStrings::AddStrings(const TStrings& strings) {
  BeginUpdate();
  try {
    for (int i = 0; i < strings.Count(); ++i) AddObject(strings.Get(i), strings.GetObject(i));
  } catch (...) {
    EndUpdate();
    throw;
  }
  EndUpdate();
}

void TStrings::InsertObject(int index, const AnsiString& s, TObject* obj) {
  Insert(index, s);
  PutObject(index, obj);
}

void TStrings::Put(int index, const AnsiString& s) {
  TObject* obj = GetObject(index);
  BeginUpdate();
  try {
    Delete(index);
    InsertObject(index, s, obj);
  } catch (...) {
    EndUpdate();
    throw;
  }
  EndUpdate();
}

void TStrings::Exchange(int a, int b) {
  AnsiString sa = Get(a), sb = Get(b);
  TObject *oa = GetObject(a), *ob = GetObject(b);
  BeginUpdate();
  try {
    Put(a, sb), PutObject(a, ob);
    Put(b, sa), PutObject(b, oa);
  } catch (...) {
    EndUpdate();
    throw;
  }
  EndUpdate();
}

void TStrings::Move(int from, int to) {
  if (from == to) return;
  AnsiString s = Get(from);
  TObject* obj = GetObject(from);
  if (to < 0 || to >= Count()) IndexError(to);
  BeginUpdate();
  try {
    Delete(from);
    InsertObject(to, s, obj);
  } catch (...) {
    EndUpdate();
    throw;
  }
  EndUpdate();
}

int TStrings::IndexOf(const AnsiString& s) const {
  for (int i = 0; i < Count(); ++i)
    if (CompareStrings(Get(i), s) == 0) return i;
  return -1;
}

int TStrings::IndexOfObject(const TObject* obj) const {
  for (int i = 0; i < Count(); ++i)
    if (GetObject(i) == obj) return i;
  return -1;
}

int TStrings::IndexOfName(const AnsiString& name) const {
  for (int i = 0; i < Count(); ++i) {
    AnsiString line = Get(i);
    size_t eq = line.find('=');
    if (eq != AnsiString::npos && CompareStrings(line.substr(0, eq), name) == 0) return i;
  }
  return -1;
}

bool TStrings::Equals(const TStrings& other) const {
  if (Count() != other.Count()) return false;
  for (int i = 0; i < Count(); ++i)
    if (Get(i) != other.Get(i)) return false;
  return true;
}

AnsiString TStrings::Text() const {
  AnsiString out;
  for (int i = 0; i < Count(); ++i) out += Get(i) + "\r\n";
  return out;
}

void TStrings::SetText(const AnsiString& text) {
  std::vector<AnsiString> lines;
  size_t start = 0;
  for (size_t i = 0; i < text.size(); ++i) {
    if (text[i] != '\r' && text[i] != '\n') continue;
    lines.push_back(text.substr(start, i - start));
    if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') ++i;
    start = i + 1;
  }
  if (start < text.size()) lines.push_back(text.substr(start));
  SetFromVector(lines);
}

AnsiString TStrings::CommaText() const {
  AnsiString out;
  for (int i = 0; i < Count(); ++i) {
    AnsiString s = Get(i);
    bool quote = s.empty();
    for (char c : s)
      if (static_cast<unsigned char>(c) <= ' ' || c == ',' || c == '"') quote = true;
    if (i > 0) out += ',';
    if (!quote) {
      out += s;
      continue;
    }
    out += '"';
    for (char c : s) {
      out += c;
      if (c == '"') out += '"';
    }
    out += '"';
  }
  return out;
}

void TStrings::SetCommaText(const AnsiString& text) {
  std::vector<AnsiString> items;
  size_t i = 0;
  auto blank = [&](size_t k) { return static_cast<unsigned char>(text[k]) <= ' '; };
  auto skipBlanks = [&] {
    while (i < text.size() && blank(i)) ++i;
  };
  skipBlanks();
  while (i < text.size()) {
    AnsiString item;
    if (text[i] == '"') {
      ++i;
      while (i < text.size()) {
        if (text[i] == '"') {
          if (i + 1 < text.size() && text[i + 1] == '"') {
            item += '"', i += 2;
            continue;
          }
          ++i;
          break;
        }
        item += text[i++];
      }
    } else {
      while (i < text.size() && text[i] != ',' && !blank(i)) item += text[i++];
    }
    items.push_back(item);
    skipBlanks();
    if (i < text.size() && text[i] == ',') {
      ++i;
      skipBlanks();
      if (i >= text.size()) items.emplace_back();
    }
  }
  SetFromVector(items);
}

AnsiString TStrings::Names(int index) const {
  AnsiString line = Get(index);
  size_t eq = line.find('=');
  return eq == AnsiString::npos ? AnsiString() : line.substr(0, eq);
}

AnsiString TStrings::Values(const AnsiString& name) const {
  int i = IndexOfName(name);
  return i < 0 ? AnsiString() : ValueFromIndex(i);
}

AnsiString TStrings::ValueFromIndex(int index) const {
  AnsiString line = Get(index);
  size_t eq = line.find('=');
  return eq == AnsiString::npos ? AnsiString() : line.substr(eq + 1);
}

void TStrings::SetValues(const AnsiString& name, const AnsiString& value) {
  int i = IndexOfName(name);
  if (value.empty()) {
    if (i >= 0) Delete(i);
  } else if (i < 0) {
    Add(name + "=" + value);
  } else {
    Put(i, name + "=" + value);
  }
}

void TStrings::BeginUpdate() {
  if (FUpdateCount == 0) SetUpdateState(true);
  ++FUpdateCount;
}

void TStrings::EndUpdate() {
  KV_CHECK(FUpdateCount > 0, "TStrings::EndUpdate without BeginUpdate");
  if (--FUpdateCount == 0) SetUpdateState(false);
}

void TStrings::Assign(TPersistent* source) {
  auto* src = dynamic_cast<TStrings*>(source);
  if (!src) {
    TPersistent::Assign(source);
    return;
  }
  if (src == this) return;
  BeginUpdate();
  try {
    Clear();
    AddStrings(*src);
  } catch (...) {
    EndUpdate();
    throw;
  }
  EndUpdate();
}

std::vector<AnsiString> TStrings::ToVector() const {
  std::vector<AnsiString> out;
  out.reserve(static_cast<size_t>(Count()));
  for (int i = 0; i < Count(); ++i) out.push_back(Get(i));
  return out;
}

void TStrings::SetFromVector(const std::vector<AnsiString>& lines) {
  BeginUpdate();
  try {
    Clear();
    for (const AnsiString& line : lines) Add(line);
  } catch (...) {
    EndUpdate();
    throw;
  }
  EndUpdate();
}

// ---- TStringList ---------------------------------------------------------------------------

AnsiString TStringList::Get(int index) const {
  if (index < 0 || index >= Count()) IndexError(index);
  return FItems[static_cast<size_t>(index)].S;
}

TObject* TStringList::GetObject(int index) const {
  if (index < 0 || index >= Count()) IndexError(index);
  return FItems[static_cast<size_t>(index)].Obj;
}

void TStringList::Put(int index, const AnsiString& s) {
  if (FSorted) throw EStringListError("Operation not allowed on sorted list");
  if (index < 0 || index >= Count()) IndexError(index);
  Changing();
  FItems[static_cast<size_t>(index)].S = s;
  Changed();
}

void TStringList::PutObject(int index, TObject* obj) {
  if (index < 0 || index >= Count()) IndexError(index);
  Changing();
  FItems[static_cast<size_t>(index)].Obj = obj;
  Changed();
}

void TStringList::InsertItem(int index, const AnsiString& s, TObject* obj) {
  Changing();
  FItems.insert(FItems.begin() + index, Item{s, obj});
  Changed();
}

int TStringList::Add(const AnsiString& s) {
  if (!FSorted) {
    InsertItem(Count(), s, nullptr);
    return Count() - 1;
  }
  int index;
  if (Find(s, index)) {
    if (FDuplicates == dupIgnore) return index;
    if (FDuplicates == dupError) throw EStringListError("String list does not allow duplicates");
  }
  InsertItem(index, s, nullptr);
  return index;
}

void TStringList::Insert(int index, const AnsiString& s) {
  if (FSorted) throw EStringListError("Operation not allowed on sorted list");
  if (index < 0 || index > Count()) IndexError(index);
  InsertItem(index, s, nullptr);
}

void TStringList::Delete(int index) {
  if (index < 0 || index >= Count()) IndexError(index);
  Changing();
  FItems.erase(FItems.begin() + index);
  Changed();
}

void TStringList::Clear() {
  if (FItems.empty()) return;
  Changing();
  FItems.clear();
  Changed();
}

bool TStringList::Find(const AnsiString& s, int& index) const {
  int lo = 0, hi = Count() - 1;
  bool found = false;
  while (lo <= hi) {
    int mid = lo + (hi - lo) / 2;
    int cmp = CompareStrings(FItems[static_cast<size_t>(mid)].S, s);
    if (cmp < 0) {
      lo = mid + 1;
    } else {
      if (cmp == 0) found = true;  // keep looking left for the first equal string
      hi = mid - 1;
    }
  }
  index = lo;
  return found;
}

int TStringList::IndexOf(const AnsiString& s) const {
  if (!FSorted) return TStrings::IndexOf(s);
  int index;
  return Find(s, index) ? index : -1;
}

void TStringList::Sort() {
  Changing();
  std::stable_sort(FItems.begin(), FItems.end(),
                   [this](const Item& a, const Item& b) { return CompareStrings(a.S, b.S) < 0; });
  Changed();
}

void TStringList::SetSorted(bool value) {
  if (value == FSorted) return;
  if (value) Sort();
  FSorted = value;
}

void TStringList::SetCaseSensitive(bool value) {
  if (value == CaseSensitive()) return;
  TStrings::SetCaseSensitive(value);
  if (FSorted) Sort();
}

void TStringList::SetUpdateState(bool updating) {
  if (updating)
    Changing();
  else
    Changed();
}

void TStringList::Changed() {
  if (UpdateCount() == 0) OnChange(this);
}

void TStringList::Changing() {
  if (UpdateCount() == 0) OnChanging(this);
}
