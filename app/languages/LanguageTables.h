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
constexpr int PictureTable = 1; // rows 1 and 2: the two banner pictures (PNG data)
constexpr int MainTable = 2;    // row 1: character set; rows 2 to 270: main texts 1 to 269
constexpr int EngineTable = 6;  // rows 2 to 60: recovery engine texts 1 to 59 (row 1 unused)
constexpr int BrowserTable = 7; // rows 1 to n: file browser texts 1 to n
constexpr int BurnerTable = 8;  // rows 1 to n: disc burning texts 1 to n; row 0: text 0

constexpr int MainTextCount = 269;  // LangTexts holds entries 0 (character set) to 269
constexpr int MainRowLimit = 270;   // more rows than this make the file unusable
constexpr int EngineTextCount = 59; // always read in full
constexpr int BrowserTextLimit = 100;
constexpr int BurnerTextLimit = 99;

// The banner pictures sit in both columns 1 and 2 of their rows, so that a reader of either
// column finds them. Row 1 is shown for every language but Russian, which shows row 2.
constexpr int PictureRows = 2;

} // namespace LanguageTables
