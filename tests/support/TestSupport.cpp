// Anchor of the test-support library; fixture builders live in their own files beside it.
