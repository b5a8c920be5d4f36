// The mail client as far as the add-in uses it: an Application with a version, an active
// explorer with a selection of mail items (subject, bodies, sender, time, attachments that
// save themselves from files) and command bars, and the item context menu event.
#pragma once
#include "DispObject.h"
#include "OfficeHost.h"
#include <memory>

namespace Standin {

struct HostAttachment {
  std::wstring fileName;
  std::wstring displayName;
  std::wstring source;    // the file SaveAsFile copies; empty: SaveAsFile fails
};

struct HostMail {
  std::wstring subject;
  std::wstring htmlBody;
  std::wstring body;
  std::wstring senderName = L"Stand-in Sender";
  std::vector<HostAttachment> attachments;
  bool isMail = true;     // false: an item of another kind (a meeting, a contact)
};

class MailHost {
 public:
  explicit MailHost(const std::wstring& version);
  ~MailHost();
  MailHost(const MailHost&) = delete;
  MailHost& operator=(const MailHost&) = delete;

  // The selection of the active explorer.
  void Select(const std::vector<HostMail>& mails);
  // Command bars of the explorer (2007 clients): their names, in order.
  void SetCommandBars(const std::vector<std::wstring>& names);

  DispObject* Application() const { return m_app; }
  DispObject* Explorer() const { return m_explorer; }
  DispObject* CommandBars() const { return m_bars; }
  // Bars added by the add-in and every button it added anywhere, in order.
  std::vector<DispObject*> AllBars() const { return m_allBars; }
  std::vector<DispObject*> Buttons() const { return m_buttons; }
  // How many SaveAsFile calls were made.
  int SaveCount() const { return m_saves; }

  // Fires ItemContextMenuDisplay(CommandBar, Selection) with a new context-menu bar; returns it.
  DispObject* OpenContextMenu();
  // Fires Click(Ctrl, CancelDefault) on a button.
  HRESULT Click(DispObject* button);

 private:
  DispObject* NewBar(const std::wstring& name);
  DispObject* m_app = nullptr;
  DispObject* m_explorer = nullptr;
  DispObject* m_selection = nullptr;
  DispObject* m_bars = nullptr;
  std::vector<DispObject*> m_barList;   // the explorer's bars (Item 1..Count)
  std::vector<DispObject*> m_allBars;   // every bar made, kept alive
  std::vector<DispObject*> m_buttons;
  std::vector<DispObject*> m_items;
  std::vector<DispObject*> m_owned;  // attachments and their lists
  std::vector<std::unique_ptr<std::vector<DispObject*>>> m_lists;
  int m_saves = 0;
};

}  // namespace Standin
