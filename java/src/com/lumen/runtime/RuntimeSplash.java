package com.lumen.runtime;

import java.awt.AlphaComposite;
import java.awt.Color;
import java.awt.Dimension;
import java.awt.Font;
import java.awt.Graphics2D;
import java.awt.SplashScreen;

/**
 * The runtime's own splash screen ({@link SplashScreen}), which the launcher
 * starts with its splash picture where it draws no window of its own
 * (Linux). The status and version lines are drawn on the splash screen's
 * overlay where and how the launcher's window draws them: the launcher
 * passes each line as the system property {@code lumen.splash.status} or
 * {@code lumen.splash.version}, "x;y;points;weight;r,g,b;face;text". Fonts
 * are sized at 96 pixels per inch, as the launcher's window sizes them on a
 * screen of that density; weights from 600 up are bold.
 */
final class RuntimeSplash {
    static final String STATUS_PROPERTY = "lumen.splash.status";
    static final String VERSION_PROPERTY = "lumen.splash.version";
    private static final float PIXELS_PER_POINT = 96f / 72f;
    private static final int BOLD_WEIGHT = 600;

    private static final Object LOCK = new Object();
    private static Line status;
    private static Line version;
    private static boolean closed;

    private RuntimeSplash() {}

    /** Whether the launcher started the runtime's splash screen for this run. */
    static boolean inUse() {
        return System.getProperty(STATUS_PROPERTY) != null;
    }

    /** Draws both lines as configured. */
    static void start() {
        synchronized (LOCK) {
            lines();
            draw();
        }
    }

    static void setStatusText(String text) {
        synchronized (LOCK) {
            lines();
            if (status != null) {
                status = status.withText(text);
                draw();
            }
        }
    }

    static void close() {
        synchronized (LOCK) {
            SplashScreen screen = screen();
            closed = true;
            if (screen != null) {
                try {
                    screen.close();
                } catch (IllegalStateException e) {
                    // Closed meanwhile, by the application's first window.
                }
            }
        }
    }

    private static void lines() {
        if (status == null && version == null) {
            status = Line.parse(System.getProperty(STATUS_PROPERTY));
            version = Line.parse(System.getProperty(VERSION_PROPERTY));
        }
    }

    private static SplashScreen screen() {
        if (closed) {
            return null;
        }
        try {
            SplashScreen screen = SplashScreen.getSplashScreen();
            return screen != null && screen.isVisible() ? screen : null;
        } catch (UnsupportedOperationException | IllegalStateException e) {
            // HeadlessException among the first: no display, no splash screen.
            return null;
        }
    }

    // The overlay is cleared and both lines drawn again, so that a new status
    // text does not stand over the old one.
    private static void draw() {
        SplashScreen screen = screen();
        if (screen == null) {
            return;
        }
        try {
            Graphics2D graphics = screen.createGraphics();
            try {
                Dimension size = screen.getSize();
                graphics.setComposite(AlphaComposite.Clear);
                graphics.fillRect(0, 0, size.width, size.height);
                graphics.setComposite(AlphaComposite.SrcOver);
                for (Line line : new Line[] {status, version}) {
                    if (line != null) {
                        line.draw(graphics);
                    }
                }
            } finally {
                graphics.dispose();
            }
            screen.update();
        } catch (IllegalStateException e) {
            // Closed meanwhile, by the application's first window.
        }
    }

    /** One text line: its position (top left), font and colour. */
    static final class Line {
        final int x;
        final int y;
        final int points;
        final int weight;
        final Color colour;
        final String face;
        final String text;

        Line(int x, int y, int points, int weight, Color colour, String face, String text) {
            this.x = x;
            this.y = y;
            this.points = points;
            this.weight = weight;
            this.colour = colour;
            this.face = face;
            this.text = text;
        }

        /** The line a property describes, or null when it is malformed. */
        static Line parse(String description) {
            if (description == null) {
                return null;
            }
            String[] fields = description.split(";", 7);
            if (fields.length < 7) {
                return null;
            }
            try {
                String[] rgb = fields[4].split(",");
                Color colour = rgb.length == 3
                        ? new Color(channel(rgb[0]), channel(rgb[1]), channel(rgb[2]))
                        : Color.BLACK;
                return new Line(Integer.parseInt(fields[0].trim()), Integer.parseInt(fields[1].trim()),
                        Integer.parseInt(fields[2].trim()), Integer.parseInt(fields[3].trim()), colour,
                        fields[5], fields[6]);
            } catch (NumberFormatException e) {
                return null;
            }
        }

        private static int channel(String value) {
            return Math.max(0, Math.min(255, Integer.parseInt(value.trim())));
        }

        Line withText(String newText) {
            return new Line(x, y, points, weight, colour, face, newText == null ? "" : newText);
        }

        Font font() {
            return new Font(face.isEmpty() ? Font.SANS_SERIF : face,
                    weight >= BOLD_WEIGHT ? Font.BOLD : Font.PLAIN,
                    Math.round(points * PIXELS_PER_POINT));
        }

        void draw(Graphics2D graphics) {
            if (text.isEmpty()) {
                return;
            }
            graphics.setFont(font());
            graphics.setColor(colour);
            graphics.drawString(text, x, y + graphics.getFontMetrics().getAscent());
        }
    }
}
