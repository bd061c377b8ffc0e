// The difficulty dialog of Start Game: a difficulty exports its files into
// the game's folder and starts the game; Cancel goes back to the editor.
#pragma once

#include <string>

#include "forms/Form.h"

namespace skirmish {

class frmdifficulty : public forms::Form {
public:
    frmdifficulty();

    forms::CommandButton easy{*this, "easy"};
    forms::CommandButton medium{*this, "medium"};
    forms::CommandButton hard{*this, "hard"};
    forms::CommandButton cancel{*this, "cancel"};

    void easy_Click();
    void medium_Click();
    void hard_Click();
    void cancel_Click();

    // Copies the ExportSet with that difficulty's scripts into the game's
    // folder, then shows the launch-wait form and closes the dialog. A
    // failed copy shows one message and leaves the dialog open.
    void ExportDifficulty(const std::string& folderWord, bool noticeFirst);

protected:
    void design() override;
};

}  // namespace skirmish
