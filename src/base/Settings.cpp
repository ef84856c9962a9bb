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

bool LiveFilesEnabled()
{
    return ReadSettingInt(SECTION_LIVE_FILES, KEY_LIVE_ENABLED, 0) == 1;
}

uint32_t ReadLiveFolder(char* output, uint32_t size)
{
    uint32_t length = ReadSettingText(SECTION_LIVE_FILES, KEY_LIVE_FOLDER, "", output, size);
    if (length != 0) return length;
    wnsprintfA(output, static_cast<int>(size), "%s\\" DEFAULT_LIVE_FOLDER_NAME, ModuleDirectory.data);
    return static_cast<uint32_t>(lstrlenA(output));
}
