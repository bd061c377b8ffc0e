// The Help menu's text files and web pages.
//
// The handlers themselves are Main's (Main.mnulevellist_Click and the rest,
// defined in HelpMenu.cpp); what they open is named here, in one place.
#pragma once

namespace help {

// The program's own text files, joined directly to the program folder.
inline constexpr const char* kLevelListFile = "\\levellist.txt";
inline constexpr const char* kChangeLogFile = "\\changelog.txt";

// The text viewer the command lines name, followed by one blank.
inline constexpr const char* kTextViewer = "notepad.exe ";

// The three web pages. The project has no pages of its own yet, so these are
// placeholders under the reserved .example domain, which never reaches a
// real site.
// "Visit The Zekvarin Vault": the author's page on the community site.
inline constexpr const char* kZekVaultPage = "https://zekvarin-vault.example/members/zek-skirmish";
// "Visit Zekvarin:  Ashen Pact": a fan site's page.
inline constexpr const char* kAshenPactPage = "https://ashen-pact.example/zekvarin";
// "Visit Zekvarin:  Ornavelle": the community site's page for the game.
inline constexpr const char* kOrnavellePage = "https://zekvarin-vault.example/games/ornavelle";

}  // namespace help
