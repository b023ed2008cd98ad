package com.tessel.runtime;

/**
 * The installer's first-run hook. The launcher calls {@link #firstRun()}
 * before the application's main class when the application directory holds
 * the marker ".tessel/firstrun"; false stops the launch in an orderly way.
 * This default has nothing to prepare and lets the launch go on; an
 * installer that needs a first-run step ships its own class of this name
 * ahead of this one on the class path.
 */
public final class FirstRun {
    private FirstRun() {}

    public static boolean firstRun() {
        return true;
    }
}
