// Resource paths of every picture embedded by the quorvane_resources target.
// Window code names pictures through these constants so that a renamed file is a
// compile error rather than an empty image at run time. The artwork generator
// (tools/artwork) derives its output file names from the same constants.
#pragma once

namespace quorvane::pictures {

// The three skins of a button, in the order the skinned button takes them.
struct Skins {
    const char* normal;
    const char* hover;
    const char* pressed;
};

// Launcher window.
inline constexpr char kLauncherBackground[] = ":/images/launcher_background.png";
inline constexpr char kLauncherAdvisory[] = ":/images/launcher_advisory.png";
inline constexpr Skins kLauncherLinkOfficialSite{":/images/launcher_link_official_normal.png",
                                                 ":/images/launcher_link_official_hover.png",
                                                 ":/images/launcher_link_official_pressed.png"};
inline constexpr Skins kLauncherLinkTopUp{":/images/launcher_link_topup_normal.png",
                                          ":/images/launcher_link_topup_hover.png",
                                          ":/images/launcher_link_topup_pressed.png"};
inline constexpr Skins kLauncherLinkService{":/images/launcher_link_service_normal.png",
                                            ":/images/launcher_link_service_hover.png",
                                            ":/images/launcher_link_service_pressed.png"};
inline constexpr Skins kLauncherLinkGameCentre{":/images/launcher_link_gamecentre_normal.png",
                                               ":/images/launcher_link_gamecentre_hover.png",
                                               ":/images/launcher_link_gamecentre_pressed.png"};
inline constexpr Skins kLauncherClose{":/images/launcher_close_normal.png",
                                      ":/images/launcher_close_hover.png",
                                      ":/images/launcher_close_pressed.png"};
inline constexpr Skins kLauncherMinimise{":/images/launcher_minimise_normal.png",
                                         ":/images/launcher_minimise_hover.png",
                                         ":/images/launcher_minimise_pressed.png"};
inline constexpr Skins kLauncherClearCache{":/images/launcher_clear_cache_normal.png",
                                           ":/images/launcher_clear_cache_hover.png",
                                           ":/images/launcher_clear_cache_pressed.png"};

// Game window title strip.
inline constexpr char kGameStrip[] = ":/images/game_strip.png";
inline constexpr char kGameStripRight[] = ":/images/game_strip_right.png";
inline constexpr char kGameFigure[] = ":/images/game_figure.png";
inline constexpr char kGameTitle[] = ":/images/game_title.png";
inline constexpr Skins kGameExit{":/images/game_exit_normal.png", ":/images/game_exit_hover.png",
                                 ":/images/game_exit_pressed.png"};
inline constexpr Skins kGameSizeToggle{":/images/game_size_toggle_normal.png",
                                       ":/images/game_size_toggle_hover.png",
                                       ":/images/game_size_toggle_pressed.png"};
inline constexpr Skins kGameMinimise{":/images/game_minimise_normal.png",
                                     ":/images/game_minimise_hover.png",
                                     ":/images/game_minimise_pressed.png"};
inline constexpr Skins kGameHide{":/images/game_hide_normal.png", ":/images/game_hide_hover.png",
                                 ":/images/game_hide_pressed.png"};
inline constexpr Skins kGameRefresh{":/images/game_refresh_normal.png",
                                    ":/images/game_refresh_hover.png",
                                    ":/images/game_refresh_pressed.png"};
inline constexpr Skins kGameSwitchServer{":/images/game_switch_server_normal.png",
                                         ":/images/game_switch_server_hover.png",
                                         ":/images/game_switch_server_pressed.png"};

// Closing notice. Its window keys out pure blue, which none of these contain.
inline constexpr char kNoticeBanner[] = ":/images/notice_banner.png";
inline constexpr char kNoticeArrowUpLeft[] = ":/images/notice_arrow_up_left.png";
inline constexpr char kNoticeArrowUpRight[] = ":/images/notice_arrow_up_right.png";
inline constexpr char kNoticeArrowDownRight[] = ":/images/notice_arrow_down_right.png";
inline constexpr char kNoticeArrowDownLeft[] = ":/images/notice_arrow_down_left.png";
inline constexpr Skins kNoticeClose{":/images/notice_close_normal.png",
                                    ":/images/notice_close_hover.png",
                                    ":/images/notice_close_pressed.png"};

// Application icon, large for the window manager and small for the tray.
inline constexpr char kAppIcon[] = ":/images/app_icon.png";
inline constexpr char kAppIconSmall[] = ":/images/app_icon_32.png";

}  // namespace quorvane::pictures
