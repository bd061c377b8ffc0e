// A compiled help file, read through chmlib: its entries by path, its
// title and default page, its contents list, its keyword index and the
// pages its context numbers name.
//
// Entry paths are written as inside the file: "/page.htm", compared without
// letter case. A file that is not compiled help opens as nothing.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "forms/Help.h"

namespace platform {

using forms::HelpTopic;

class CompiledHelp {
public:
    // Opens a file by its file-system path; nullptr when it cannot be read
    // as compiled help.
    static std::shared_ptr<CompiledHelp> open(const std::string& nativePath);
    ~CompiledHelp();
    CompiledHelp(const CompiledHelp&) = delete;
    CompiledHelp& operator=(const CompiledHelp&) = delete;

    // The bytes of an entry, or nothing when the file has no such entry.
    std::optional<std::string> read(const std::string& path) const;
    // The paths of all entries that hold data, in the file's order.
    std::vector<std::string> entries() const;

    const std::string& title() const { return title_; }
    // The page shown first: the file's default topic, else the first page of
    // its contents list, else its first page.
    const std::string& defaultPage() const { return defaultPage_; }
    const std::vector<HelpTopic>& contents() const { return contents_; }
    const std::vector<HelpTopic>& index() const { return index_; }

    // The first page filed under a keyword of the index (any level, without
    // letter case).
    std::optional<std::string> pageForKeyword(const std::string& keyword) const;
    // The page the file maps a context number to.
    std::optional<std::string> pageForContext(std::uint32_t context) const;

    // An entry path as the file writes it: "/" in front, "\" as "/", any
    // "#anchor" kept.
    static std::string entryPath(const std::string& page);

private:
    explicit CompiledHelp(void* handle) : handle_(handle) {}
    void readSystem();
    void readContextMap();
    std::optional<std::string> entryEndingWith(const std::string& path) const;

    void* handle_;
    std::string title_;
    std::string defaultPage_;
    std::vector<HelpTopic> contents_;
    std::vector<HelpTopic> index_;
    std::map<std::uint32_t, std::string> contexts_;
};

// Reads a sitemap (the contents or index list of a help project): nested
// lists of entries, each with a name and the page it shows.
std::vector<HelpTopic> parseSitemap(const std::string& html);

// The text of topic `id` in a popup text file: the lines after ".topic id"
// up to the next ".topic" line, without the line ends at either end.
std::optional<std::string> popupTopic(const std::string& file, std::uint32_t id);

}  // namespace platform
