#pragma once
// The archive component's boxes on screen: confirmation boxes with the chosen
// buttons and the password form, installed by the main window at start-up.
class ZipDialogs;

// The on-screen implementation (one per process).
ZipDialogs& ZipDialogsOnScreen();
// Makes the component ask through the on-screen boxes.
void InstallArchiveDialogs();
