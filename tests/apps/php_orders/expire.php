<?php
// Test only: ends every session on the server, as an expiry or a restart would.
require __DIR__ . '/common.php';

session_destroy();
foreach (glob(session_save_path() . '/sess_*') as $file) {
    unlink($file);
}
header('Content-Type: text/plain');
echo "Sessions expired\n";
