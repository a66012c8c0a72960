#pragma once

#include <QObject>

namespace vimo::test {

// Start-up: missing client, failed configuration, the list and the locked form.
class StartupTest : public QObject
{
    Q_OBJECT
private slots:
    void missingClientShows117HidesTheWindowAndEndsWithOne();
    void fixedEntriesFollowTheCatalogue();
    void startsLockedWithEveryControlInTabOrder();
    void windowFitsAScaledScreenAndResizes();
    void messageBoxesShowTheWholeCaptionCentred();
    void wheelOverTheUnfocusedListChangesNothing();
};

// The form's widgets: the address field, the up-down controls, the Enter key, text limits.
class FormTest : public QObject
{
    Q_OBJECT
private slots:
    void mainFileKindDecidesTheAddressField();
    void upDownControlsStepWithinTheirRange();
    void enterInAFieldRunsNoCommand();
    void textLongerThanTheLimitIsShownWhole();
};

// The commands that only widgets carry: the archive path's shortcut and menu.
class CommandsTest : public QObject
{
    Q_OBJECT
private slots:
    void createZipWritesTheArchiveAndShowsItsPath();
};

// The import dialog on its own.
class ImportDialogTest : public QObject
{
    Q_OBJECT
private slots:
    void listsPublishedVimosSortedByName();
    void importWaitsForAChoiceAndDoubleClickOnlySelects();
    void sameNamesStayDistinct();
    void keysChooseFromTheFirstEntry();
};

// The hyperlink control and the about box.
class HyperLinkTest : public QObject
{
    Q_OBJECT
private slots:
    void failureTextsNameTheShellResult();
    void openingReportsFailureAndMarksSuccess();
    void mouseAndKeyboardOpenTheLink();
    void addressComesFromTheTextUntilSet();
    void autoSizeFitsTheText();
    void focusShowsAFrameAndTheSizeFollowsTheFont();
    void aboutBoxLinksToTheContentServer();
};

// The demo installation of the README: every road works on it.
class DemoTest : public QObject
{
    Q_OBJECT
private slots:
    void everyRoadWorksOnTheDemo();
};

} // namespace vimo::test
