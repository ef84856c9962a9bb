#include "base/Settings.h"
#include "base/ProgramPaths.h"

void WriteSettingText(const char* section, const char* key, const char* text)
{
    WritePrivateProfileStringA(section, key, text, SettingsPath.data);
}

void WriteSettingInt(const char* section, const char* key, int32_t value)
{
    char text[16];
    wnsprintfA(text, sizeof text, "%d", value);
    WriteSettingText(section, key, text);
}

uint32_t ReadSettingText(const char* section, const char* key, const char* fallback,
                         char* output, uint32_t size)
{
    return GetPrivateProfileStringA(section, key, fallback, output, size, SettingsPath.data);
}

int32_t ReadSettingInt(const char* section, const char* key, int32_t fallback)
{
    return static_cast<int32_t>(GetPrivateProfileIntA(section, key, fallback, SettingsPath.data));
}
