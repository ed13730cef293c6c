#pragma once

// The texts a language file replaces, one per line of the file, in the file's order: the nine
// status messages and the captions of the main window and two dialogs, then (line 27 on) the
// captions of the windows added since, which a file of the first 26 lines alone shows in English.
enum class UiText {
    InstallButton = 1,
    SkinInstalled,
    BackgroundRemoved,
    ErrorPrefix, // the start of an error line
    ListDownloaded,
    ListMissing,
    Preparing,
    Loaded,
    DownloadFailed,
    SkinDownloaded,
    FileMenu,
    RefreshItem,
    CloseItem,
    OptionsMenu,
    InstallItem,
    RemoveItem,
    PickFileItem,
    SettingsItem, // also the settings dialog's title
    LanguageItem,
    ExpandAllItem,
    CollapseAllItem,
    HelpMenu,
    VisitItem, // also the About dialog's link
    AboutVersions,
    AboutThanks,
    UpdateAtStartBox,
    // Line 27 on: optional in a language file.
    GalleryItem, // also the gallery's title
    HistoryItem, // also the history's title
    ServerItem,  // also the server dialog's title
    // The gallery.
    GalleryFind,      // the find field's hint
    GalleryInstalled, // under the skin installed now; on the history's entry of it too
    // The history.
    RestoreButton,
    DeleteButton,
    DeleteQuestion, // asked before a kept copy is deleted
    // The server dialog.
    ServerUseButton,
    ServerRemoveButton,
    ServerAddButton,
    ServerChangeButton,
    ServerChecking,
    ServerWrongForm,
    ServerNoList,
};

// Texts no language file carries. They follow the language of the captions in force: Dutch with
// the built-in captions or a file named for Dutch, else English, as Qt's own texts fall back to.
enum class FixedText {
    PlaceholderCaption, // under the picture shown when there is no preview
    PictureFilter,      // the file dialog's filter, as description|patterns
};
