"""The description that uses every resource key, what it must yield, and
the pictures it names: shared by the independent readers' test
(test_resources.py) and the Windows readers' test under Wine
(tests/win/test_vendor_resources.py)."""

import subprocess

EVERY_KEY = """\
[launcher]
application-name = "Vendor App"
type = "gui"
main-class = "com.example.Main"
include-runtime-jar = false
app-user-model-id = "Vendor.App"

[resources]
icon = "app.ico"

[version]
file-version = "2.5.1"
product-version = "2.5"
product-name = "Vendor Äpp"
company = "Vendor Ltd"
file-description = "The vendor's application"
copyright = "© 2024 Vendor Ltd"
trademarks = "Äpp™"
internal-name = "vapp"
original-filename = "vapp.exe"
comments = "Built by lumen-build"

[manifest]
execution-level = "highestAvailable"
dpi-awareness = "system"
long-path-aware = true

[splash]
image = "splash.png"
"""

EXPECTED_STRINGS = {
    "CompanyName": "Vendor Ltd",
    "FileDescription": "The vendor's application",
    "FileVersion": "2.5.1.0",
    "InternalName": "vapp",
    "LegalCopyright": "© 2024 Vendor Ltd",
    "LegalTrademarks": "Äpp™",
    "OriginalFilename": "vapp.exe",
    "ProductName": "Vendor Äpp",
    "ProductVersion": "2.5.0.0",
    "Comments": "Built by lumen-build",
}


def make_pictures(directory):
    """app.ico (256 as PNG, 48, 32, 16; 8-bit RGBA, the form icon editors
    write) and splash.png (320 x 200), drawn by ImageMagick so that
    lumen-build reads files it did not write itself."""
    subprocess.run(["convert", "-size", "256x256", "gradient:orange-purple", "-depth", "8",
                    "-alpha", "on", "-define", "icon:auto-resize=256,48,32,16",
                    str(directory / "app.ico")], check=True)
    subprocess.run(["convert", "-size", "320x200", "gradient:white-navy",
                    str(directory / "splash.png")], check=True)
