#pragma once

// Names of the main texts of the language file ("text N" is entry N of the register), for the
// window and its pages. english.po says where each one is shown.
namespace TextId {

enum : int
{
    CharSet = 0,
    ProgramName = 1,
    VersionWord = 2,
    VersionNumber = 3,
    Description = 5,
    MenuHeading = 6,
    MenuTip = 7,
    MenuRecoverToFolder = 8,
    MenuDiscToDisc = 9,
    MenuRecoverToDisc = 10,
    Subtitle = 11,
    BannerTip = 12,
    DestinationTip = 13,
    TabSourceDisc = 19,
    TabTempFolder = 20,
    SourceDrive = 21,
    ChooseOtherFolder = 25,
    TempFolderFailed = 26,
    TempFolderLabel = 28,
    DrivesOnComputer = 29,
    ChooseDiscDrive = 30,
    Browse = 31,
    SelectionNotListed = 32,
    NothingToRecover = 33,
    Cancel = 35,
    Step = 39,
    StepChooseFiles = 40,
    StepRecover = 41,
    ReportComplete = 51,
    ReportResumeNote = 52,
    FilesRecovered = 53,
    DataRecovered = 54,
    DamagedFiles = 55,
    DiscNotReadable = 66,
    NoFreeSpace = 67,
    DestinationDrive = 86,
    NoRecorderAccess = 112,
    MenuRestart = 126,
    BurnFrame = 130,
    DataLost = 136,
    StatusCompleted = 137,
    StatusLabel = 138,
    FilesLeft = 139,
    FilesNotCopied = 140,
    Details = 141,
    ViewHistory = 144,
    HistoryTitle = 145,
    ItemsLeftOut = 153,
    NoDiscDrive = 190,
    DriveNotMounted = 220,
    DriveNotReady = 221,
    MountNotAllowed = 222,
    MountUnreadable = 223,
    MountFailed = 224,

    // The window as a user meets it.
    CopiedTo = 230,
    OpenFolder = 231,
    DestinationLabel = 232,
    FoldersCreated = 233,
    AskLeave = 234,

    // The time left of a run: plural forms of seconds, minutes and hours.
    TimeLeftSeconds = 240,
    TimeLeftMinutes = 241,
    TimeLeftHours = 242,

    StepFailed = 296,
    TempCopyQuestion = 297,
};

} // namespace TextId
