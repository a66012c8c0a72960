#pragma once

#include <QObject>

namespace vimo::test {

// Start-up: missing client, failed configuration, the list and the locked form.
class StartupTest : public QObject
{
    Q_OBJECT
private slots:
    void missingClientShows117AndNeverShowsTheWindow();
    void unreachableConfigurationShows104();
    void listsVimosUnderDevelopmentInIdentifierOrder();
    void fixedEntriesFollowTheCatalogue();
    void startsLockedWithEveryControlInTabOrder();
};

// The form: change tracking, read-back, validation, the up-down controls and the Enter key.
class FormTest : public QObject
{
    Q_OBJECT
private slots:
    void applyFollowsRealChangesOnly();
    void readBackRefusesWhatIsNoUnsignedNumber();
    void validationChecksNameWidthAndHeight();
    void savedRecordTakesTrimmedNameAndTheTemplateAddress();
    void mainFileKindDecidesTheAddressField();
    void upDownControlsStepWithinTheirRange();
    void enterInAFieldRunsNoCommand();
    void textLongerThanTheLimitIsShownWhole();
};

// The commands and the roads through the window.
class CommandsTest : public QObject
{
    Q_OBJECT
private slots:
    void applyRewritesTheCatalogueFileAndDeletesTheCache();
    void importMakesACopyThatIsThenShown();
    void cancelledImportLeavesTheFormLocked();
    void importCommandLeavesTheShownVimoThroughThePrompt();
    void createZipWritesTheArchiveAndShowsItsPath();
    void archiveFailuresAreReported();
    void foldersOpenThroughTheDesktop();
    void secondClientStartsWhatIsMissing();
    void okKeepsTheWindowOpenWhenApplyIsRefusedOrFails();
    void yesStaysOnTheVimoWhenItsSaveFails();
    void theChosenVimoIsShownAfterASaveRebuiltTheList();
    void choosingTheShownVimoKeepsItsEdits();
    void cancelAsksBeforeLeavingUnsavedChanges();
    void entryNamedLikeTheFirstEntryClearsTheForm();
    void applyStaysOnTheExactIdentifier();
};

// The import dialog on its own.
class ImportDialogTest : public QObject
{
    Q_OBJECT
private slots:
    void listsPublishedVimosSortedByName();
    void importWaitsForAChoiceAndDoubleClickOnlySelects();
    void sameNamesStayDistinct();
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
