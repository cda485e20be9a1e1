#pragma once

// The stand-in host's add-ins: found in the host's Addins registry key or
// loaded from a module file, created through COM, and connected, notified
// and released as the host does it.

#include <windows.h>

#include <objbase.h>

#include <string>
#include <vector>

#include "com/win32_host_objects.h"
#include "common/win32_com.h"
#include "msaddndr.h"

namespace sorvane::standin {

// An entry of HKCU\Software\Microsoft\Office\FrontPage\Addins.
struct AddInEntry {
  std::u16string prog_id;
  std::u16string friendly_name;
  std::u16string description;
  DWORD load_behavior = 0;
};

std::vector<AddInEntry> ListAddInEntries();

// Registers the add-in designer's library (the stand-in description carried by
// this program) unless a library with its identity is registered already.
void RegisterDesignerLibrary();

class AddIns {
 public:
  explicit AddIns(com::HostFace& face) : face_(face) {}
  AddIns(const AddIns&) = delete;
  AddIns& operator=(const AddIns&) = delete;
  ~AddIns();

  // Creates the add-in by its ProgID through COM and connects it at start-up.
  // Returns OnConnection's status (or the creation's).
  HRESULT StartByProgId(const std::u16string& prog_id);
  // Loads a module file, creates its creatable class from its class object and
  // connects it. `prog_id` receives the ProgID (library name, ".", class name).
  HRESULT LoadModule(const std::u16string& path, std::u16string& prog_id);

  struct Outcome {
    std::u16string prog_id;
    HRESULT status;
  };
  // OnDisconnection(mode) on every add-in, then releases them.
  std::vector<Outcome> Disconnect(ext_DisconnectMode mode);
  // OnBeginShutdown and OnDisconnection(HostShutdown), release, free unused
  // modules. `unloadable` receives what DllCanUnloadNow answered (all modules).
  std::vector<Outcome> Shutdown(bool& unloadable);

  // Drops every add-in without a word to it, as a host that ended abruptly
  // (the add-in's button stays in the menu).
  void Abandon();

  std::size_t count() const { return loaded_.size(); }
  _IDTExtensibility2* add_in(std::size_t index) const { return loaded_.at(index).add_in.Get(); }

 private:
  struct Loaded {
    std::u16string prog_id;
    ComPtr<_IDTExtensibility2> add_in;
    ComPtr<IDispatch> instance;
    HMODULE module = nullptr;  // loaded by this host (load PATH), else by COM
  };
  HRESULT Connect(Loaded loaded);

  com::HostFace& face_;
  std::vector<Loaded> loaded_;
  std::vector<HMODULE> modules_;      // loaded by file, freed when they allow it
  std::vector<HMODULE> com_modules_;  // loaded by COM, freed by COM
};

}  // namespace sorvane::standin
