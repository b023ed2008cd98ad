package com.example.hello;

/** The sample application: greets whoever the arguments name. */
public final class Hello {
    private Hello() {}

    public static void main(String[] args) {
        String who = args.length > 0 ? String.join(" ", args) : "world";
        System.out.println("Hello, " + who + "! (launched by " + System.getProperty("lumen.moduleName", "java") + ")");
    }
}
