#pragma once

// The strings' identifiers live with the string table in the model, which vimoctl shares.
#include "workspace/StringTable.h"

// Numeric identifiers of the dialogs, controls, commands and icon. Controls carry them as their
// object name so that tests (and findControl) reach each one by its number.
namespace vimo::res {

// Dialogs and the icon.
inline constexpr int IDD_ABOUTBOX = 100;
inline constexpr int IDD_VIMODEVTOOL_DIALOG = 102;
inline constexpr int IDR_MAINFRAME = 128;
inline constexpr int IDD_IMPORT_VIMO = 130;
inline constexpr int IDR_MAIN_MENU = 131;

// Standard buttons.
inline constexpr int IDOK = 1;
inline constexpr int IDCANCEL = 2;

// Controls of the main window.
inline constexpr int IDC_VIMO_LIST = 1000;
inline constexpr int IDC_NAME = 1001;
inline constexpr int IDC_DESCRIPTION = 1002;
inline constexpr int IDC_WIDTH = 1003;
inline constexpr int IDC_WIDTH_SPIN = 1004;
inline constexpr int IDC_HEIGHT = 1005;
inline constexpr int IDC_HEIGHT_SPIN = 1006;
inline constexpr int IDC_SOURCE_FOLDER = 1009;
inline constexpr int IDC_MAIN_FILE_URL = 1010;
inline constexpr int IDC_ICONS_FOLDER = 1011;
inline constexpr int IDC_APPLY = 1013;
inline constexpr int IDC_OPEN_SOURCE_FOLDER = 1015;
inline constexpr int IDC_OPEN_ICONS_FOLDER = 1016;
inline constexpr int IDC_OPEN_ARCHIVE_FOLDER = 1019;
inline constexpr int IDC_INTERACTIVE = 1020;
inline constexpr int IDC_OPEN_SECOND_CLIENT = 1022;
inline constexpr int IDC_CREATE_ZIP = 1023;
inline constexpr int IDC_ARCHIVE_PATH = 1024;
inline constexpr int IDC_UPLOAD_LINK = 1027;
inline constexpr int IDC_LOCAL_VIMO = 1028;
inline constexpr int IDC_WEB_VIMO = 1029;
inline constexpr int IDC_CANCEL_DEFAULT = 1032;

// Controls of the import dialog and the about box.
inline constexpr int IDC_PUBLISHED_LIST = 1026;
inline constexpr int IDC_DEV_SITE_LINK = 1030;
inline constexpr int IDC_TERMS_LINK = 1031;

// Commands without a control of their own.
inline constexpr int ID_IMPORT_VIMO = 1014;
inline constexpr int ID_COPY_ARCHIVE_PATH = 1025;
inline constexpr int IDM_ABOUTBOX = 16;
inline constexpr int ID_HELP_ABOUT = 32773;

} // namespace vimo::res
