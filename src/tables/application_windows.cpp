// The application window table: each row finds one running application of a family by its window
// class or, where the class is a generic one that other programs share, by its exact title.
#include "tables/application_windows.h"

// Every application is one that the family installs into its Start-menu group; a row names a
// class or a title, never both.
const ApplicationWindowEntry kApplicationWindows[] = {
    // product, application, window class, window title
    // 1 CaptureStation PCI capture card
    {1,  "CaptureStation Viewer",          "CSViewMainFrame",    ""},
    {1,  "CaptureStation Viewer Preview",  "CSViewPreviewWnd",   ""},
    {1,  "CaptureStation Recorder",        "CSRecMainFrame",     ""},
    {1,  "CaptureStation Monitor",         "CSMonitorTrayWnd",   ""},
    {1,  "CaptureStation Snapshot",        "",                   "CaptureStation Snapshot"},
    {1,  "CaptureStation Timer Recording", "",                   "CaptureStation Timer Recording"},
    {1,  "CaptureStation Update",          "",                   "CaptureStation Update"},
    {1,  "CaptureStation Setup",           "",                   "CaptureStation Setup"},

    // 2 TVStick Mini USB TV stick
    {2,  "TVStick Mini Viewer",            "TVSMiniViewerWnd",   ""},
    {2,  "TVStick Mini EPG",               "",                   "TVStick Mini EPG"},

    // 3 StreamCam USB camera
    {3,  "StreamCam",                      "StreamCamMainWnd",   ""},

    // 7 MorvaneTV Suite TV application and its DirectShow filters
    {7,  "MorvaneTV",                      "MorvaneTVMainFrame", ""},
    {7,  "MorvaneTV Recorder",             "MTVRecMainFrame",    ""},
    {7,  "MorvaneTV Player",               "MTVPlayerWnd",       ""},
    {7,  "MorvaneTV EPG",                  "MTVEpgMainFrame",    ""},
    {7,  "MorvaneTV Scheduler",            "MTVSchedTrayWnd",    ""},
    {7,  "MorvaneTV Remote",               "MTVRemoteWnd",       ""},
    {7,  "MorvaneTV Tray",                 "MTVTrayWnd",         ""},
    {7,  "MorvaneTV Disc Writer",          "MTVBurnMainFrame",   ""},
    {7,  "MorvaneTV Converter",            "",                   "MorvaneTV Converter"},
    {7,  "MorvaneTV Disc Menu",            "",                   "MorvaneTV Disc Menu"},
    {7,  "MorvaneTV Skin Selector",        "",                   "MorvaneTV Skin Selector"},
    {7,  "MorvaneTV Update",               "",                   "MorvaneTV Update"},
    {7,  "MorvaneTV Setup Wizard",         "",                   "MorvaneTV Setup Wizard"},
    {7,  "MorvaneTV Setup",                "",                   "MorvaneTV Setup"},

    {-1, "",                               "",                   ""},  // sentinel
};

int CountApplicationWindows()
{
    int n = 0;
    while (kApplicationWindows[n].product != -1) n++;
    return n;
}
