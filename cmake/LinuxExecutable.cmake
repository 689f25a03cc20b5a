# Nothing yet: the Linux executable arrives with its efivarfs layer.
