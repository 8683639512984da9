"""The local stand-in for the Quorbis service: gateway, FTP, SMTP, form site and validator on loopback."""
