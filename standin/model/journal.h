#pragma once

// The stand-in host's journal: every call it receives through IDispatch (and
// the few interface calls around it: enumeration, event connections), with
// the arguments exactly as the caller encoded them, so that tests can assert
// what the add-in sent. Portable: the COM face fills it from VARIANTs.

#include <cstddef>
#include <cstdint>
#include <deque>
#include <string>
#include <vector>

#include "common/hresult.h"

namespace sorvane::standin {

// The call kinds, as IDispatch::Invoke's flags carry them.
inline constexpr unsigned kCallMethod = 0x1;    // DISPATCH_METHOD
inline constexpr unsigned kCallGet = 0x2;       // DISPATCH_PROPERTYGET
inline constexpr unsigned kCallPut = 0x4;       // DISPATCH_PROPERTYPUT
inline constexpr unsigned kCallPutRef = 0x8;    // DISPATCH_PROPERTYPUTREF
inline constexpr unsigned kCallVtable = 0x100;  // an interface method, not Invoke

// VARTYPEs the journal names; the flags combine with a base type.
inline constexpr std::uint16_t kVtEmpty = 0;
inline constexpr std::uint16_t kVtI2 = 2;
inline constexpr std::uint16_t kVtI4 = 3;
inline constexpr std::uint16_t kVtBstr = 8;
inline constexpr std::uint16_t kVtDispatch = 9;
inline constexpr std::uint16_t kVtError = 10;
inline constexpr std::uint16_t kVtBool = 11;
inline constexpr std::uint16_t kVtVariant = 12;
inline constexpr std::uint16_t kVtUnknown = 13;
inline constexpr std::uint16_t kVtArray = 0x2000;
inline constexpr std::uint16_t kVtByRef = 0x4000;

// "VT_I2", "VT_BOOL|VT_BYREF", "VT_0x1F" for one it does not name.
std::string VarTypeName(std::uint16_t vartype);

// One argument: its VARTYPE and its value as text (a string as it is, numbers
// in decimal, an error code in hexadecimal, an object by its kind).
struct JournalArg {
  std::uint16_t vartype = kVtEmpty;
  std::u16string value;
  bool operator==(const JournalArg&) const = default;
};

struct JournalEntry {
  std::string object;               // the host object's kind: "CommandBar", "CommandBarButton", ...
  std::u16string name;              // which one: a bar's name, a control's caption when called
  std::string member;               // "FindControl", or "#DISPID" for one the object lacks
  unsigned kind = 0;                // kCall* bits as the caller passed them
  std::vector<JournalArg> args;     // in the order the caller meant them (first parameter first)
  std::vector<std::int32_t> named;  // named argument DISPIDs, as passed
  HResult status = kSOk;            // what the call returned
};

// "method", "get", "put", "method|get", "vtable".
std::string CallKindName(unsigned kind);

// One line: N OBJECT[NAME].MEMBER KIND ARGC: ARG, ... [named=...] -> STATUS
std::string FormatEntry(std::size_t number, const JournalEntry& entry);

class Journal {
 public:
  // Keeps the newest this many entries; older ones are counted as dropped.
  static constexpr std::size_t kCapacity = 100000;

  // Records a call as it arrives; Finish gives it its status when it returns.
  std::size_t Record(JournalEntry entry);
  void Finish(std::size_t handle, HResult status);
  void Clear();

  const std::deque<JournalEntry>& entries() const { return entries_; }
  // Entries dropped for capacity since the last Clear.
  std::size_t dropped() const { return dropped_; }
  // The number that FormatEntry shows for entries()[i].
  std::size_t NumberOf(std::size_t i) const { return first_number_ + i; }

 private:
  std::deque<JournalEntry> entries_;
  std::size_t first_number_ = 1;  // of entries_.front()
  std::size_t dropped_ = 0;
};

}  // namespace sorvane::standin
