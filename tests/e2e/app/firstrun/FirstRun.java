package com.tessel.runtime;

/** An installer's own first-run step: it says so and stops the launch. */
public final class FirstRun {
    private FirstRun() {}

    public static boolean firstRun() {
        System.out.println("first run step");
        System.out.flush();
        return Boolean.getBoolean("probe.firstRunGoesOn");
    }
}
