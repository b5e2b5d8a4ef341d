// The tooltip structure's size: the common controls accept a tool added with it.
#include <gtest/gtest.h>
#include "app/tool_info.h"

TEST(ToolInfo, TooltipsAcceptATextToolOfThatSize)
{
    INITCOMMONCONTROLSEX init = {sizeof init, ICC_WIN95_CLASSES};
    ASSERT_TRUE(InitCommonControlsEx(&init));
    HWND owner = CreateWindowExA(0, "STATIC", "owner", WS_OVERLAPPEDWINDOW, 0, 0, 200, 100, NULL, NULL, NULL, NULL);
    HWND box = CreateWindowExA(0, "BUTTON", "box", WS_CHILD | WS_VISIBLE, 0, 0, 80, 20, owner, NULL, NULL, NULL);
    HWND tips = CreateWindowExA(WS_EX_TOPMOST, TOOLTIPS_CLASSA, NULL, TTS_ALWAYSTIP | TTS_NOPREFIX, CW_USEDEFAULT,
                                CW_USEDEFAULT, CW_USEDEFAULT, CW_USEDEFAULT, owner, NULL, NULL, NULL);
    ASSERT_TRUE(owner && box && tips);
    TTTOOLINFOA tool = {};
    tool.cbSize = kToolInfoSize;
    tool.uFlags = TTF_IDISHWND | TTF_SUBCLASS;
    tool.hwnd = owner;
    tool.uId = (UINT_PTR)box;
    tool.lpszText = (LPSTR) "models";
    EXPECT_TRUE(SendMessageA(tips, TTM_ADDTOOLA, 0, (LPARAM)&tool));
    EXPECT_EQ(1, (int)SendMessageA(tips, TTM_GETTOOLCOUNT, 0, 0));
    char text[80] = "";
    tool.lpszText = text;
    SendMessageA(tips, TTM_GETTEXTA, 0, (LPARAM)&tool);
    EXPECT_STREQ("models", text);
    DestroyWindow(tips);
    DestroyWindow(owner);
}
