#pragma once
// Where the program finds its data files and writes its pictures: its own directory.
#include <string>
#include <string_view>

namespace sd::host {

// dir with a trailing '/', then sub with a trailing '/' when sub is not empty. A '/' is added
// only when the text does not already end in one (or is empty).
std::string JoinProgramDir(std::string_view dir, std::string_view sub);

// The directory of the running executable (from /proc/self/exe) joined with sub:
// ProgramDir("") is the program directory, ProgramDir("Temp") its picture directory.
std::string ProgramDir(std::string_view sub);

// ProgramDir("Temp") + month + "_" + day + "_" + prefix + a number 0..8999 + suffix, the date
// from LocalNow() and the number from the process's generator (StartUp seeds it).
std::string MakeGifName(std::string_view prefix, std::string_view suffix);

// The text after the last '/'.
std::string FileNamePart(std::string_view path);

}  // namespace sd::host
