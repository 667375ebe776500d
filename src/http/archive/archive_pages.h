// The archives' pages, from their files beside this one, made part of the
// program by the build: too busy (503), too many entries, and a form of
// ticked names that cannot be read (400).
#pragma once

#include <string_view>

namespace orvane::pages {

std::string_view ArchiveBusyPage();
std::string_view ArchiveTooManyPage();
std::string_view ArchiveFormPage();

}  // namespace orvane::pages
