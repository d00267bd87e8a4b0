// Holders for what COM hands out: every one is given back when the holder
// goes, on every path, exceptions included. Interface references use
// Microsoft::WRL::ComPtr.
#pragma once

#include <windows.h>
#include <objbase.h>
#include <oleauto.h>

// CoInitialize for the life of the holder; CoUninitialize only if it succeeded.
class ScopedCoInitialize {
 public:
  ScopedCoInitialize() : result_(CoInitialize(nullptr)) {}
  ~ScopedCoInitialize() {
    if (SUCCEEDED(result_)) CoUninitialize();
  }
  ScopedCoInitialize(const ScopedCoInitialize&) = delete;
  ScopedCoInitialize& operator=(const ScopedCoInitialize&) = delete;

 private:
  HRESULT result_;
};

// A BSTR received from a call, freed with SysFreeString.
class UniqueBstr {
 public:
  UniqueBstr() = default;
  ~UniqueBstr() { SysFreeString(text_); }
  UniqueBstr(const UniqueBstr&) = delete;
  UniqueBstr& operator=(const UniqueBstr&) = delete;

  BSTR Get() const { return text_; }
  // For the out parameter of a call; frees what the holder had.
  BSTR* Receive() {
    SysFreeString(text_);
    text_ = nullptr;
    return &text_;
  }

 private:
  BSTR text_ = nullptr;
};

// A library loaded with LoadLibraryA and freed with FreeLibrary.
class UniqueLibrary {
 public:
  explicit UniqueLibrary(const char* name) : module_(LoadLibraryA(name)) {}
  ~UniqueLibrary() {
    if (module_) FreeLibrary(module_);
  }
  UniqueLibrary(const UniqueLibrary&) = delete;
  UniqueLibrary& operator=(const UniqueLibrary&) = delete;

  HMODULE Get() const { return module_; }
  explicit operator bool() const { return module_ != nullptr; }

 private:
  HMODULE module_;
};
