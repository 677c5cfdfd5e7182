#pragma once

#include <QString>

// The parameters of one search step, as the find dialog gathers them.
struct FindParas
{
    // What a step does.
    enum Action { NoAction = 0, FindNext = 1, NextTheme = 2, Replace = 3, ReplaceAll = 4 };
    // Which themes a search walks.
    enum Scope { ThemeOnly = 1, ThemeWithSubthemes = 2, AllThemes = 3 };

    bool caseSensitive = false;
    bool backwards = false;
    bool regularExpression = false;
    bool wholeWords = false;
    bool inName = false;
    bool inDescription = false;
    int scope = 0;
    int action = NoAction;
    QString findText;
    QString replaceText;

    // The same search: every field but the action is equal.
    bool sameSearch(const FindParas &other) const
    {
        return caseSensitive == other.caseSensitive && backwards == other.backwards &&
               regularExpression == other.regularExpression && wholeWords == other.wholeWords &&
               inName == other.inName && inDescription == other.inDescription &&
               scope == other.scope && findText == other.findText &&
               replaceText == other.replaceText;
    }

    // 0 when a step can run; 1 without a text to find; 2 with nowhere to look.
    int validate() const
    {
        if (findText.isEmpty())
            return 1;
        return inName || inDescription ? 0 : 2;
    }
};
