// The base of every child form the plug-in embeds in the host: a borderless form with its
// own title bar (minimise, maximise and close buttons, dragging by the caption, a slanted
// corner), Tab navigation, the handlers of the host's messages, the two command sets and the
// virtual operations the layouts and the concrete forms fill in.
#pragma once

#include <cstdint>
#include <memory>
#include <vector>

#include "platform/classlib/ExtCtrls.h"
#include "platform/classlib/Forms.h"
#include "platform/flat/TFlatSpeedButtonUnit.h"
#include "src/framework/ChildCommand.h"

class TKvProtocol;
class TKvTbField;
class TMemTableEh;
class TDBGridEh;

// Edit states of a child form (FEditState).
enum : uint8_t { esBrowse = 0, esEdit = 1, esInsert = 2, esInitial = 3 };

class TfrmChildBase : public TForm {
  KV_CLASS(TfrmChildBase, TForm)
 public:
  // Reads the form resources of the class chain once constructed; create with Create<T>.
  explicit TfrmChildBase(TComponent* owner);
  ~TfrmChildBase() override;

  // ---- components of the form resource (set by the reader) ------------------------------
  TChildCommand* chldcmnd = nullptr;
  TChildCommand* chldcmndBase = nullptr;
  TPanel* pnlFormTitle = nullptr;
  TPanel* pnlFormTileRight = nullptr;
  TPanel* pnlFormTitleLeft = nullptr;
  TPanel* pnlFormTitleBtn = nullptr;
  TPanel* pnlFormTitleCloseBtn = nullptr;
  TFlatSpeedButton* btnFormTitleColse = nullptr;
  TPanel* pnlFormTitleMaxBtn = nullptr;
  TFlatSpeedButton* btnFormTitleMax = nullptr;
  TPanel* pnlFormTitleMinBtn = nullptr;
  TFlatSpeedButton* btnFormTitleMin = nullptr;
  TPanel* pnlFormTileMid = nullptr;
  TPaintBox* pbTitleRight = nullptr;

  // ---- state read by the host link, the tests and the tool -------------------------------
  int32_t ModuleId() const { return FModuleId; }
  uint32_t FormId() const { return FFormId; }
  int SizeCommand() const { return FSizeCommand; }
  bool ShowTitle() const { return FShowTitle; }
  uint8_t EditState() const { return FEditState; }
  const AnsiString& ModuleKey() const { return FModuleKey; }
  const AnsiString& QueryKey() const { return FQueryKey; }
  // The form's response parser; null before InitChild and after DoneChild.
  TKvProtocol* Protocol() const { return FProtocol.get(); }

  // Stores the module id of the open request.
  void SetModuleId(int32_t value) { FModuleId = value; }
  // Stores the form id (the window handle at creation).
  void SetFormId(uint32_t value) { FFormId = value; }
  // Shows the title bar 18 pixels high, or hides it with height 0.
  void SetShowTitle(bool value);

  // ---- virtual operations, in slot order --------------------------------------------------
  // Whether the form may close now; every concrete form answers.
  virtual bool CanCloseChild() = 0;
  // The record operations run by the base commands; empty here.
  virtual void DoNew() {}
  virtual void DoUpdate() {}
  virtual void DoDelete() {}
  virtual void DoSave() {}
  virtual void DoSearch() {}
  virtual void DoCancel() {}
  virtual void DoFirstRec() {}
  virtual void DoPriorRec() {}
  virtual void DoNextRec() {}
  virtual void DoLastRec() {}
  // Creates the form's working objects (the response parser); overrides call it first.
  virtual void InitChild();
  // Releases them (empties the edit containers, frees the parser); overrides call it last.
  virtual void DoneChild();
  // Runs on the first activation: repaints the title corner.
  virtual void FirstActivate();
  // Builds the fields of MAINTABLE and DELTATABLE and the columns of GRID from TBFIELD.
  // Not built yet: the binding arrives with the data-aware grid; the base does nothing now.
  virtual void BindGridTables(TDBGridEh*& grid, TMemTableEh*& mainTable, TMemTableEh*& deltaTable,
                              TKvTbField*& tbField);
  // The same without a grid; not built yet either (does nothing now).
  virtual void BindTables(TMemTableEh*& mainTable, TMemTableEh*& deltaTable, TKvTbField*& tbField);
  // Applies the lent style record (title bar, title colour, form colour); nothing while no
  // record has been lent.
  virtual void ApplyStyle();
  // Runs after FirstActivate on the first activation; empty here.
  virtual void AfterFirstActivate() {}
  // Locks or unlocks the editors of CONTAINERS; the editor classes it visits have not
  // landed yet, so the base visits nothing now.
  virtual void SetControlsReadOnly(bool readOnly, const std::vector<TWinControl*>& containers);
  // Stores STATE, posts the pending edits of the data module's tagged tables, and locks
  // (browse, initial) or unlocks (edit, insert) the edit containers.
  virtual void SetEditState(uint8_t state);
  // Announces chldcmnd to the host (1131).
  virtual void SendCommands();
  // Announces chldcmndBase to the host (1133).
  virtual void SendBaseCommands();

  // Paints the title corner: title colour above the diagonal from bottom-left to top-right,
  // form colour below; nothing while no style record has been lent.
  void PaintTitleCorner();

  // ---- published handlers (bound by the form resource) ------------------------------------
  void FormCreate(TObject* Sender);
  void FormShow(TObject* Sender);
  void FormActivate(TObject* Sender);
  void FormClose(TObject* Sender, TCloseAction& Action);
  void FormKeyDown(TObject* Sender, WORD& Key, TShiftState Shift);
  void btnFormTitleMinClick(TObject* Sender);
  void btnFormTitleColseClick(TObject* Sender);
  void btnFormTitleMaxClick(TObject* Sender);
  void pnlFormTileMidMouseDown(TObject* Sender, TMouseButton Button, TShiftState Shift, int X, int Y);
  void pbTitleRightPaint(TObject* Sender);
  void chldcmndBaseCommands0Execute(TObject* Sender);
  void chldcmndBaseCommands1Execute(TObject* Sender);
  void chldcmndBaseCommands2Execute(TObject* Sender);
  void chldcmndBaseCommands3Execute(TObject* Sender);
  void chldcmndBaseCommands4Execute(TObject* Sender);
  void chldcmndBaseCommands5Execute(TObject* Sender);
  void chldcmndBaseCommands6Execute(TObject* Sender);
  void chldcmndBaseCommands7Execute(TObject* Sender);
  void chldcmndBaseCommands8Execute(TObject* Sender);
  void chldcmndBaseCommands9Execute(TObject* Sender);

  static void Publish(TPublisher<TfrmChildBase>& p);

 protected:
  // The host's messages 1124 .. 1142 by number; everything else goes to the form.
  void Dispatch(TMessage& message) override;

  void WMChildHide(TMessage& message);
  void WMChildShow(TMessage& message);
  void WMChildClose(TMessage& message);
  void WMChildSetContext(TMessage& message);
  void WMChildSetStyle(TMessage& message);
  void WMChildSelect(TMessage& message);
  void WMChildCanClose(TMessage& message);

  int32_t FModuleId = 0;
  uint32_t FFormId = 0;
  int FSizeCommand = 0;
  bool FShowTitle = false;
  std::unique_ptr<TKvProtocol> FProtocol;
  AnsiString FQueryKey;
  uint8_t FEditState = esInitial;
  AnsiString FModuleKey;
  TComponent* FDropDownSource = nullptr;
  std::vector<TWinControl*> FEditContainers;
  TDataModule* FDataModule = nullptr;

 private:
  // Splits the context text of 1128 into the module key (kept once set) and the query key.
  void TakeContextText(std::string_view text);
};

// Registers the classes the child forms' resources name and the plug-in's compiled-in form
// resources; harmless to call again.
void RegisterChildFormClasses();
