#pragma once

// Where the language file ("languages.sir") keeps what. Each kind of text is a table held in a
// cell of the file's top table; in every language table the column is the language number.
namespace LanguageTables {

// Language numbers, and so the columns of the language tables.
constexpr int English = 1;
constexpr int Russian = 2;
constexpr int French = 3;
constexpr int Spanish = 4;
constexpr int LanguageCount = 4;

// Cells of the top table (row, column 1) that hold the tables.
constexpr int PictureTable = 1; // rows 1 to 4: the banner pictures (PNG data), one a language
constexpr int MainTable = 2;    // row 1: character set; rows 2 to 350: main texts 1 to 349
constexpr int EngineTable = 6;  // rows 2 to 100: recovery engine texts 1 to 99 (row 1 unused)
constexpr int BrowserTable = 7; // rows 1 to n: file browser texts 1 to n
constexpr int BurnerTable = 8;  // rows 1 to n: disc burning texts 1 to n; row 0: text 0

constexpr int MainTextCount = 349;  // LangTexts holds entries 0 (character set) to 349
constexpr int MainRowLimit = 350;   // more rows than this make the file unusable
constexpr int EngineTextCount = 99; // always read in full
constexpr int BrowserTextLimit = 100;
constexpr int BurnerTextLimit = 99;

// The banner pictures sit in both columns 1 and 2 of their rows, so that a reader of either
// column finds them. The row is the language's number; a file with only rows 1 and 2 (English
// and Russian) shows row 1 for French and Spanish.
constexpr int PictureRows = 4;

} // namespace LanguageTables
