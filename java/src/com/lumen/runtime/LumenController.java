package com.lumen.runtime;

/**
 * The application's side of the launcher's splash screen. The launcher polls
 * {@link #getAction()} and {@link #getText()} about every 100 ms; an
 * application calls {@link #setStatusText(String)} to change the status line
 * and {@link #closeSplash()} to take the splash screen down:
 *
 * <pre>
 * LumenController.setStatusText("Loading modules");
 * // ... more start-up work ...
 * LumenController.closeSplash();
 * </pre>
 *
 * <p>Requests are kept until the launcher polls: a close request wins over a
 * pending text, and of several texts only the last one is shown. The launcher
 * draws the status line in the system's ANSI code page ("?" for characters it
 * cannot carry) and cuts it at 8,191 bytes. Without a splash screen the calls
 * change nothing.
 *
 * <p>Where the launcher hands its splash picture to the runtime's own splash
 * screen instead (Linux), the same calls act on {@link java.awt.SplashScreen}
 * at once: the status line is drawn on its overlay and {@link #closeSplash()}
 * closes it.
 */
public final class LumenController {
    /** No request pending. */
    public static final int ACTION_NONE = 0;
    /** Close the splash screen. */
    public static final int ACTION_CLOSE = 1;
    /** The former name of {@link #ACTION_CLOSE}. */
    @Deprecated
    public static final int ACTION_HIDE = ACTION_CLOSE;
    /** Show the text of {@link #getText()} in the status line. */
    public static final int ACTION_SET_TEXT = 2;

    private static final Object LOCK = new Object();
    private static String text = "";
    private static boolean textPending;
    private static boolean closePending;

    private LumenController() {}

    /** Asks the launcher to show this status text on the splash screen. */
    public static void setStatusText(String statusText) {
        synchronized (LOCK) {
            text = statusText == null ? "" : statusText;
            textPending = true;
        }
        if (RuntimeSplash.inUse()) {
            RuntimeSplash.setStatusText(statusText);
        }
    }

    /** Asks the launcher to close the splash screen. */
    public static void closeSplash() {
        synchronized (LOCK) {
            closePending = true;
        }
        if (RuntimeSplash.inUse()) {
            RuntimeSplash.close();
        }
    }

    /**
     * The next request for the launcher, consumed by this call: a pending
     * close wins over a text change.
     */
    public static int getAction() {
        synchronized (LOCK) {
            if (closePending) {
                closePending = false;
                textPending = false;
                return ACTION_CLOSE;
            }
            if (textPending) {
                textPending = false;
                return ACTION_SET_TEXT;
            }
            return ACTION_NONE;
        }
    }

    /** The status text last set. */
    public static String getText() {
        synchronized (LOCK) {
            return text;
        }
    }
}
