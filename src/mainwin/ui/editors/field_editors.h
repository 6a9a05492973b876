// The field editors as the record form uses them: one include for the form,
// and the contract between the form and each editor kind.
//
// Every editor carries its field number (Tag/SetTag, 1..17) and a help topic
// (36; the picture control 132). What the form calls:
//
//  One-line button edits (TMyBtnEdit and kinds: TClickEdit, TDateEdit,
//  TPhoneEdit, TEMailEdit, TCurrencyEdit, TDirEdit):
//   - text(), setText(): the value as text (the date and number edits have
//     their own values below);
//   - SetEditorEnabled(bool): the form's enable/disable for read-only
//     databases and records in use; kinds with KeepEnabled (date, phone,
//     e-mail) stay enabled but read-only so their button still works;
//   - setFont(ToQFont(Opt().LineEditFont)), setPalette() for colours;
//   - signals Changed() (the user changed the value), FontRequested(editor),
//     ColorRequested(editor) for "&Font..." / "C&olor..." of the popups;
//   - SetPopupMenu(TEditMenu*) for editors without a popup of their own.
//   TClickEdit: SetButtonHint("Click To Capture Web Page Title" / "...Address"),
//   ButtonClicked(); until the browser link exists the form disables the
//   capture buttons with Button()->setEnabled(false).
//   TPhoneEdit: SetDialer(fn) enables the dial button (disabled until then).
//
//  TDateEdit (record form "Date:"):
//   - Date() / SetDate(QDate): an invalid QDate is the empty edit; the form
//     turns the template date marker (day 1.0) into Today() before SetDate;
//   - SetDateFormatIndex(0..3) from date.dat (ApplyDateFormats);
//     signal DateFormatChanged(index): store it in Opt().DateFormats for this
//     field, save date.dat and refresh the list page;
//   - CheckDate(): call for every date editor before SaveFields; false means
//     "Invalid Date!" was shown, the editor has the focus, do not save;
//   - IsEmptyDate() for IsFormBlank.
//
//  TCurrencyEdit: Value() / SetValue(double); SetColors(positive, negative,
//   background) from the "Currency Fields" colour dialog; 0 counts as blank.
//
//  Plain QLineEdit / QPlainTextEdit (memos) / lookups: the shared TEditMenu
//   (Variant::Text, or Variant::Lookup for lookups) opened from the editor's
//   customContextMenuRequested with PopupFor(editor, globalPos); its
//   FontRequested / ColorRequested / EditListRequested signals name the editor.
//
//  TLookup (lookup fields; lookup.h): SetSource("listN.dbf") after the
//   database directory is set binds and loads (a missing list is made from
//   the template, one that does not open leaves the box empty); SetTwin for a
//   second box on the same list; Text() / SetText(); SetEditorEnabled(bool);
//   SetTag; SetPopupMenu(lookup-variant TEditMenu); signal Changed(). Leaving
//   the box (or destroying it) adds a new text to the list; every box on that
//   list reloads. "&Edit List...": TEditListsDlg::Execute(lists, index),
//   which reloads every TLookup afterwards (TLookup::ReloadAll()).
//
//  TDbMultiImgControl ("Logo:" with SetToolBarHidden(true), "Picture:"):
//   - LoadFromField(field) / SaveToField(field) over a PictureField (the
//     form wraps the table's picture field: bytes in and out);
//   - IsEmpty() for IsFormBlank; SetReadOnly(bool) instead of disabling;
//   - signal Changed().
#pragma once

#include "mainwin/ui/editors/btn_edit.h"
#include "mainwin/ui/editors/currency_edit.h"
#include "mainwin/ui/editors/date_edit.h"
#include "mainwin/ui/editors/edit_menu.h"
#include "mainwin/ui/editors/edit_lists_dlg.h"
#include "mainwin/ui/editors/editor_support.h"
#include "mainwin/ui/editors/lookup.h"
#include "mainwin/ui/editors/multi_img.h"
#include "mainwin/ui/editors/text_edits.h"
