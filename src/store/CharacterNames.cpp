#include "store/CharacterNames.h"

struct CharacterName {
    const char* full;
    const char* shortName;
};

static const CharacterName characterNames[CHARACTER_COUNT] = {
    {"博麗霊夢", "霊夢"},
    {"霧雨魔理沙", "魔理沙"},
    {"十六夜咲夜", "咲夜"},
    {"アリス・マーガトロイド", "アリス"},
    {"パチュリー・ノーレッジ", "パチュリー"},
    {"魂魄妖夢", "妖夢"},
    {"レミリア・スカーレット", "レミリア"},
    {"西行寺幽々子", "幽々子"},
    {"八雲紫", "紫"},
    {"伊吹萃香", "萃香"},
    {"鈴仙・Ｕ・イナバ", "鈴仙"},
    {"射命丸文", "文"},
    {"小野塚小町", "小町"},
    {"永江衣玖", "衣玖"},
    {"比那名居天子", "天子"},
    {"東風谷早苗", "早苗"},
    {"チルノ", "チルノ"},
    {"紅美鈴", "美鈴"},
    {"霊烏路空", "空"},
    {"洩矢諏訪子", "諏訪子"},
};

const char* CharacterFullName(int32_t id)
{
    return characterNames[id].full;
}

const char* CharacterShortName(int32_t id)
{
    return characterNames[id].shortName;
}
