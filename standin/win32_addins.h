#pragma once

// The stand-in host's add-ins: found in the host's Addins registry key or
// loaded from a module file, created through COM, asked for IDTExtensibility2,
// and connected, notified and released as the host does it: at start-up, when
// the user checks or unchecks one in the COM Add-ins dialog, and at shutdown.

#include <windows.h>

#include <objbase.h>

#include <functional>
#include <map>
#include <string>
#include <vector>

#include "com/win32_extensibility.h"
#include "com/win32_host_face.h"
#include "common/win32_com.h"

namespace sorvane::standin {

// An entry of Software\Microsoft\Office\FrontPage\Addins.
struct AddInEntry {
  std::u16string prog_id;
  std::u16string friendly_name;
  std::u16string description;
  DWORD load_behavior = 0;
};

// The entries under `root`: HKCU's are the user's, listed in the COM Add-ins
// dialog; HKLM's load for every user and are not listed.
std::vector<AddInEntry> ListAddInEntries(HKEY root);

// Registers the add-in designer's library (this program's description of it)
// unless a library with its identity is registered already.
void RegisterDesignerLibrary();

class AddIns {
 public:
  explicit AddIns(com::HostFace& face) : face_(face) {}
  AddIns(const AddIns&) = delete;
  AddIns& operator=(const AddIns&) = delete;
  ~AddIns();

  struct Outcome {
    std::u16string prog_id;
    HRESULT status;
  };

  // Start-up: every entry with LoadBehavior 3, the user's and then the
  // machine's, created by its ProgID and connected (ext_cm_Startup); once all
  // are connected, OnStartupComplete.
  std::vector<Outcome> Start();
  // One add-in at start-up, by its ProgID.
  HRESULT StartByProgId(const std::u16string& prog_id);
  // Loads a module file, creates its creatable class from its class object and
  // connects it at start-up. `prog_id` receives the ProgID (library name, ".",
  // class name); the host knows the add-in by it from then on.
  HRESULT LoadModule(const std::u16string& path, std::u16string& prog_id);

  // The user checks the add-in after start-up: created anew and connected
  // with ext_cm_AfterStartup, without OnStartupComplete.
  HRESULT Enable(const std::u16string& prog_id);
  // The user unchecks it: OnDisconnection(ext_dm_UserClosed), without
  // OnBeginShutdown, and released.
  HRESULT Disable(const std::u16string& prog_id);

  // Runs `hook` at shutdown after OnBeginShutdown, before the disconnections.
  void set_at_shutdown(std::function<void()> hook) { at_shutdown_ = std::move(hook); }

  // OnDisconnection(mode) on every add-in, then releases them.
  std::vector<Outcome> Disconnect(com::ExtDisconnectMode mode);
  // OnBeginShutdown and OnDisconnection(HostShutdown), release, free unused
  // modules. `unloadable` receives whether every module allowed unloading.
  std::vector<Outcome> Shutdown(bool& unloadable);
  // Drops every add-in without a word to it, as a host that ended abruptly
  // (the add-in's button stays in the menu).
  void Abandon();
  // Asks each module whether it can unload (DllCanUnloadNow) and frees those
  // that can, as COM's CoFreeUnusedLibraries does; true when all could.
  bool FreeUnusedModules();

  std::size_t count() const { return loaded_.size(); }
  com::IDTExtensibility2* add_in(std::size_t index) const { return loaded_.at(index).add_in.Get(); }

 private:
  struct Loaded {
    std::u16string prog_id;
    ComPtr<com::IDTExtensibility2> add_in;
  };
  // How an add-in is created: by its ProgID through COM, or from a module file.
  struct Source {
    std::u16string module_path;  // empty: through COM
    CLSID clsid{};
  };
  HRESULT Create(const std::u16string& prog_id, Loaded& loaded);
  HRESULT Connect(Loaded loaded, com::ExtConnectMode mode);
  void NoteComModule(const CLSID& clsid);

  com::HostFace& face_;
  std::function<void()> at_shutdown_;
  std::map<std::u16string, Source> sources_;  // add-ins loaded from a file, by ProgID
  std::vector<Loaded> loaded_;
  std::vector<HMODULE> modules_;      // loaded by file, freed when they allow it
  std::vector<HMODULE> com_modules_;  // loaded by COM, freed by COM
};

}  // namespace sorvane::standin
