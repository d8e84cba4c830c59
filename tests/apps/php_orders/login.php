<?php
require __DIR__ . '/common.php';

$error = '';
if ($_SERVER['REQUEST_METHOD'] === 'POST') {
    check_token();
    $user = (string)($_POST['username'] ?? '');
    $password = (string)($_POST['password'] ?? '');
    if (isset(USERS[$user]) && hash_equals(USERS[$user], $password)) {
        session_regenerate_id(true);
        $_SESSION['user'] = $user;
        header('Location: order.php');
        exit;
    }
    $error = 'Wrong user name or password.';
}

page_start('Log in');
?>
<h1>Log in</h1>
<?php if ($error !== ''): ?><p class="error"><?= h($error) ?></p><?php endif; ?>
<form method="post" action="login.php">
  <input type="hidden" name="token" value="<?= h(csrf_token()) ?>">
  <p><label>User name <input type="text" name="username"></label></p>
  <p><label>Password <input type="password" name="password"></label></p>
  <p><input type="submit" value="Log in"></p>
</form>
<?php
page_end();
