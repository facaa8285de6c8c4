#pragma once

class QQmlApplicationEngine;

// Headless check of the pages: with BEAMDECK_SCREENSHOT_DIR set, the program
// shows each window in turn, lets it play for a moment, saves a PNG of it
// there and quits. The exit code is 3 when any QML warning was printed.
bool screenshotModeRequested();
void installQmlWarningCounter();
void startScreenshotMode(QQmlApplicationEngine &engine);
