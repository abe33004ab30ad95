#pragma once

// A screen reader hears what a sighted user sees: plain widgets, dialogs and message boxes list
// only the children that are shown, so a control a box keeps hidden (a chooser's alpha field, a
// message box's empty icon) is not read out. Call once a QApplication exists; later calls do
// nothing.
void listOnlyShownControls();
