// Folder macros: tokens in parentheses that script paths use for the folders of
// this machine and this install.
//
//   with (App) = "D:\APP\":
//   ExpandFolderMacros("x(app)y")       => "xD:\APP\y"
//   ExpandFolderMacros("(App)\DATA")    => "D:\APP\DATA"     (one "\" dropped)
//   ExpandFolderMacros("(App)\\DATA")   => "D:\APP\\DATA"
//   ExpandFolderMacros("(App)(App)")    => "D:\APP\D:\APP\"
//   ExpandFolderMacros("(Foo)")         => "(Foo)"
//   ReplaceMacro("a(Pdd)b", "(Pdd)", "") => "ab"
#pragma once

#include <array>
#include <string>
#include <string_view>

namespace lorvel {

// The macros in the order of expansion.
constexpr std::array<const char*, 17> kFolderMacros = {"(App)", "(Prg)",   "(Win)",   "(Sys)",   "(Tmp)",  "(Boo)",
                                                       "(Set)", "(Edr)",   "(Smn)",   "(Sta)",   "(Dsk)",  "(Sup)",
                                                       "(Sen)", "(C_Smn)", "(C_Sta)", "(C_Dsk)", "(C_Sup)"};

// One folder per macro, in the order above.
using FolderTable = std::array<std::string, kFolderMacros.size()>;

// Replaces every occurrence of the macro (any case). The search goes on behind each
// inserted value, so a value that contains the macro itself (a folder named
// "(App)", or "(App)" before the setup folder is chosen) ends with a sound result.
std::string ReplaceMacro(const std::string& text, const std::string& macro, const std::string& value);

std::string ExpandFolderMacros(const std::string& text, const FolderTable& folders);

// Whether text opens with macro (any case), as "(app)DATA" opens with "(App)".
bool StartsWithMacro(std::string_view text, std::string_view macro);

}  // namespace lorvel
