<?php
require __DIR__ . '/common.php';
require __DIR__ . '/order_form.php';
require_login();

$errors = [];
if (take_order('order_again', $errors)) {
    $_SESSION['message'] = 'Order saved';
    header('Location: order_again.php');
    exit;
}
$message = $_SESSION['message'] ?? '';
unset($_SESSION['message']);
show_order_form('order_again.php', $errors, $message);
