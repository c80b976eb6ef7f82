// SPDX-License-Identifier: GPL-3.0-or-later
// Add All CD Tracks and the CD database editor on a generated CD image: the
// names edited in the dialog are what the CD rows show.
#include "ConsoleFixture.h"

#include "gui/dialogs/CdDatabaseDlg.h"
#include "media/CdDatabase.h"

TEST_F(ConsoleTest, AllTracksOfTheDiscAreAddedAndTheirNamesEditedInTheDialogShowInTheRows)
{
    const QString disc = TestMedia::CdImage(
        TestEnv::Root(), "disc",
        {{TestMedia::Tone(440, 0.5)}, {TestMedia::Tone(880, 0.5)}, {TestMedia::Tone(1320, 0.5)}});
    qputenv("LIRANA_CD_DEVICE", disc.toUtf8()); // inserted after start-up
    ASSERT_TRUE(view->OnCommand(EditCmd::AddCdTracks));
    const QString root = disc + u'/';
    EXPECT_EQ(list.Rows(), QStringList({root + "Track01.cda", root + "Track02.cda", root + "Track03.cda"}));
    EXPECT_EQ(UndoIds(), std::vector<std::uint32_t>{EditCmd::AddCdTracks});
    EXPECT_EQ(view->ListBox()->GetRowText(1), "Track 02");

    int shownIndex = -2;
    auto editCd = [&](QWidget* parent, CCDDatabase& db, int index) {
        shownIndex = index;
        CCDDatabaseDlg dialog(db, index, parent);
        QLineEdit* name = dialog.TrackNames()->lineEdit();
        EXPECT_EQ(dialog.TrackNumber()->text(), "2");
        QTest::keyClick(name, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(name, "Blue Moon");
        EXPECT_EQ(dialog.TrackNames()->itemText(1), "Blue Moon") << "renamed while typing";
        EXPECT_EQ(name->cursorPosition(), 9);
        for (int i = 0; i < 2; ++i)
            QTest::keyClick(name, Qt::Key_Return);
        EXPECT_EQ(dialog.TrackNumber()->text(), "3") << "Enter goes to the next track and stays on the last";
        QTest::keyClick(dialog.ArtistEdit(), Qt::Key_Return);
        EXPECT_EQ(dialog.TitleEdit()->selectedText(), "New Title");
        EXPECT_EQ(dialog.result(), 0) << "Enter never closes the dialog";
        dialog.ArtistEdit()->setText("The Band");
        dialog.accept();
        return true;
    };
    view->ListBox()->SetDialogs(
        {{}, {}, [this](QWidget*, const QString& text) { ui.messages << text; }, editCd});
    list.Select(1);
    view->OnCommand(EditCmd::Rename);
    EXPECT_EQ(shownIndex, 1);
    EXPECT_EQ(std::tuple(view->ListBox()->GetRowText(1), view->ListBox()->GetRowText(2),
                         view->CdDatabase().GetArtist(), ui.messages.join(u'|')),
              std::tuple("Blue Moon", "Track 03", "The Band", ""));
    qputenv("LIRANA_CD_DEVICE", "");
}
